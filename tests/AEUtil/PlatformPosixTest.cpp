// The POSIX platform layer's own answers (environment, process arguments, folders) and the
// overrides that tests and tools put in their place.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "AEUtil/Platform.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
namespace Platform = AEUtil::Platform;

namespace {

// Sets environment variables for one test and puts the old values back afterwards.
class EnvironmentScope {
public:
    ~EnvironmentScope() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void Set(const std::string& name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value, 1);
        else
            unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST(PlatformPosixTest, UILanguageFollowsTheLocaleEnvironment) {
    EnvironmentScope env;
    const struct {
        const char* all;
        const char* messages;
        const char* lang;
        std::uint16_t expected;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", Platform::kLangIdJapanese},
        {nullptr, nullptr, "ja", Platform::kLangIdJapanese},
        {nullptr, "ja_JP.eucJP", "en_US.UTF-8", Platform::kLangIdJapanese},
        {"en_GB.UTF-8", "ja_JP", "ja_JP", Platform::kLangIdEnglishUS},
        {"", "", "ja_JP.UTF-8", Platform::kLangIdJapanese},  // empty values do not count
        {nullptr, nullptr, "jam_JM", Platform::kLangIdEnglishUS},
        {nullptr, nullptr, "C", Platform::kLangIdEnglishUS},
        {nullptr, nullptr, nullptr, Platform::kLangIdEnglishUS},
    };
    for (const auto& c : cases) {
        env.Set("LC_ALL", c.all);
        env.Set("LC_MESSAGES", c.messages);
        env.Set("LANG", c.lang);
        EXPECT_EQ(Platform::Native::UserUILanguage(), c.expected)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

TEST(PlatformPosixTest, AppDataIsTheConfigurationFolder) {
    EnvironmentScope env;
    env.Set("XDG_CONFIG_HOME", "/srv/conf//");
    EXPECT_EQ(Platform::Native::AppDataFolder(), "/srv/conf");
    env.Set("HOME", "/home/someone");
    env.Set("XDG_CONFIG_HOME", "relative/conf");  // not absolute: ignored
    EXPECT_EQ(Platform::Native::AppDataFolder(), "/home/someone/.config");
    env.Set("XDG_CONFIG_HOME", nullptr);
    env.Set("HOME", "/home/other/");
    EXPECT_EQ(Platform::Native::AppDataFolder(), "/home/other/.config");
}

TEST(PlatformPosixTest, CommandLineIsTheProcessesOwn) {
    const auto arguments = Platform::Native::CommandLineArguments();
    ASSERT_FALSE(arguments.empty());
    EXPECT_NE(arguments[0].find("tonedot_tests"), std::string::npos) << arguments[0];
}

TEST(PlatformPosixTest, OverridesTakeThePlaceOfTheMachine) {
    EXPECT_FALSE(Platform::ShiftKeyHeld());
    Platform::SetShiftKeyOverride(true);
    EXPECT_TRUE(Platform::ShiftKeyHeld());
    Platform::ClearShiftKeyOverride();
    EXPECT_FALSE(Platform::ShiftKeyHeld());

    Platform::SetCommandLineOverride({"a", "b"});
    EXPECT_EQ(Platform::CommandLineArguments(), (std::vector<std::string>{"a", "b"}));
    Platform::ClearCommandLineOverride();
    EXPECT_EQ(Platform::CommandLineArguments(), Platform::Native::CommandLineArguments());

    Platform::SetAppDataFolderOverride("/x");
    EXPECT_EQ(Platform::AppDataFolder(), "/x");
    Platform::ClearAppDataFolderOverride();
    EXPECT_EQ(Platform::AppDataFolder(), Platform::Native::AppDataFolder());
}

TEST(PlatformPosixTest, FoldersAndFiles) {
    ScratchFolder scratch;
    const std::string deep = scratch / "a/b/c";
    EXPECT_TRUE(Platform::CreateFolderTree(deep.c_str()));
    EXPECT_TRUE(Platform::CreateFolderTree(deep.c_str())) << "an existing folder is fine";
    EXPECT_TRUE(fs::is_directory(deep));

    const std::string file = scratch / "a/b/c/f.ini";
    WriteBytes(file, "x");
    EXPECT_FALSE(Platform::CreateFolderTree(file.c_str())) << "a file is not a folder";
    EXPECT_FALSE(Platform::RemoveEmptyFolder(deep.c_str())) << "not empty";
    EXPECT_FALSE(Platform::DeleteFileAt(deep.c_str())) << "folders are not files";
    EXPECT_TRUE(Platform::DeleteFileAt(file.c_str()));
    EXPECT_FALSE(Platform::DeleteFileAt(file.c_str()));
    EXPECT_TRUE(Platform::RemoveEmptyFolder(deep.c_str()));
    EXPECT_FALSE(fs::exists(deep));
}
#endif
