// The host language query and its fallbacks.
#include "AEUtil/HostLanguage.h"

#include "AEUtil/AsciiCase.h"
#include "AEUtil/HostVersion.h"
#include "AEUtil/Platform.h"

namespace AEUtil {
namespace {

bool g_switchComputed = false;
bool g_switchGiven = false;

}  // namespace

bool EnglishSwitchInArguments(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!EqualIgnoringAsciiCase(arguments[i], "-L")) continue;
        // Only the first "-L" counts, with or without a tag after it.
        if (i + 1 >= arguments.size()) return false;
        const std::string& tag = arguments[i + 1];
        return EqualIgnoringAsciiCase(tag.substr(0, tag.find_first_of(" _-")), "en");
    }
    return false;
}

bool EnglishSwitchGiven(const PF_InData* in_data) {
    if (g_switchComputed) return g_switchGiven;
    g_switchComputed = true;
    g_switchGiven = false;
    // Hosts above effect API version 9.0 answer the language query instead.
    if (in_data && HostVersionAbove(in_data, 9, 0)) return g_switchGiven;
    g_switchGiven = EnglishSwitchInArguments(Platform::CommandLineArguments());
    return g_switchGiven;
}

void ResetEnglishSwitchCache() {
    g_switchComputed = false;
    g_switchGiven = false;
}

const char* FindLanguageText(const LanguageText* table, std::size_t count, int key,
                             int language) {
    if (language != kLanguageJapanese && language != kLanguageEnglish) return "";
    for (std::size_t i = 0; i < count; ++i) {
        const LanguageText& row = table[i];
        if (row.key != key) continue;
        const bool japanese = language == kLanguageJapanese;
        const char* own = japanese ? row.japanese : row.english;
        const char* other = japanese ? row.english : row.japanese;
        if (own && *own) return own;
        return other ? other : "";
    }
    return "";
}

bool IsEnglishUI(const PF_InData* in_data) {
    SPBasicSuite* basic = in_data ? in_data->pica_basicP : nullptr;
    const void* acquired = nullptr;
    if (basic && basic->AcquireSuite &&
        basic->AcquireSuite(kPFAppSuite, kPFAppSuiteVersion5, &acquired) == 0) {
        // The query writes a five-letter tag and its terminator; a failed query leaves the
        // buffer empty, which reads as English.
        char tag[PF_APP_LANG_TAG_SIZE] = {};
        const auto* app = static_cast<const PFAppSuite5*>(acquired);
        if (app && app->PF_AppGetLanguage) app->PF_AppGetLanguage(tag);
        tag[PF_APP_LANG_TAG_SIZE - 1] = '\0';
        if (basic->ReleaseSuite) basic->ReleaseSuite(kPFAppSuite, kPFAppSuiteVersion5);
        if (app) return !EqualIgnoringAsciiCase(tag, "ja_JP");
    }
    if (EnglishSwitchGiven(in_data)) return true;
    return Platform::UserUILanguage() != Platform::kLangIdJapanese;
}

}  // namespace AEUtil
