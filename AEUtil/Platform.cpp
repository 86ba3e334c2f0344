// The machine-dependent answers of the platform layer, each replaceable by an override.
#include "AEUtil/Platform.h"

#include <optional>

namespace AEUtil {
namespace Platform {
namespace {

std::optional<std::string>& AppDataOverride() {
    static std::optional<std::string> value;
    return value;
}
std::optional<std::vector<std::string>>& CommandLineOverride() {
    static std::optional<std::vector<std::string>> value;
    return value;
}
std::optional<std::uint16_t>& LanguageOverride() {
    static std::optional<std::uint16_t> value;
    return value;
}
std::optional<bool>& ShiftOverride() {
    static std::optional<bool> value;
    return value;
}

}  // namespace

static_assert(kSettingsFileLimit == 1u << 20, "the message names 1 MiB");

const char* SettingsFileProblem(SettingsFileStatus status) {
    switch (status) {
        case SettingsFileStatus::Read: return "none";
        case SettingsFileStatus::Missing: return "no such file";
        case SettingsFileStatus::TooLarge: return "larger than 1 MiB, so not read";
        case SettingsFileStatus::NotAFile: return "not a file (a folder or a device)";
        case SettingsFileStatus::BadText: return "marked as UTF-16 text but not UTF-16";
        case SettingsFileStatus::Unreadable: break;
    }
    return "not readable";
}

std::string AppDataFolder() {
    const auto& o = AppDataOverride();
    return o ? *o : Native::AppDataFolder();
}

std::vector<std::string> CommandLineArguments() {
    const auto& o = CommandLineOverride();
    return o ? *o : Native::CommandLineArguments();
}

std::uint16_t UserUILanguage() {
    const auto& o = LanguageOverride();
    return o ? *o : Native::UserUILanguage();
}

bool ShiftKeyHeld() {
    const auto& o = ShiftOverride();
    return o ? *o : Native::ShiftKeyHeld();
}

void SetAppDataFolderOverride(const std::string& folder) { AppDataOverride() = folder; }
void ClearAppDataFolderOverride() { AppDataOverride().reset(); }
void SetCommandLineOverride(const std::vector<std::string>& arguments) {
    CommandLineOverride() = arguments;
}
void ClearCommandLineOverride() { CommandLineOverride().reset(); }
void SetUILanguageOverride(std::uint16_t langId) { LanguageOverride() = langId; }
void ClearUILanguageOverride() { LanguageOverride().reset(); }
void SetShiftKeyOverride(bool held) { ShiftOverride() = held; }
void ClearShiftKeyOverride() { ShiftOverride().reset(); }

}  // namespace Platform
}  // namespace AEUtil
