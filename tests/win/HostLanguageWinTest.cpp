// The language fallbacks with Windows' own answers: the process command line split by
// CommandLineToArgvW and the user's UI language from GetUserDefaultUILanguage.  The effect
// reads the "-L" switch once per process, so every case runs the language probe as a
// process of its own with the command line the case needs.
//
// The Windows language is the machine's: each case expects what that language calls for.
// The build runs these tests twice under wine, as a Japanese and as an English Windows
// (wine takes the UI language from the locale it is started with), and sets
// TONEDOT_EXPECT_UI_LANGUAGE ("ja" or "en") so that a run that did not get its language
// fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "AEUtil/Platform.h"
#include "WinTestSupport.h"

namespace {

constexpr int kEnglish = 10;
constexpr int kJapanese = 20;

// Runs the probe as a host of version `major`.`minor` whose app suite reports
// `appLanguage` ("-" for no suite), with `switches` after the probe's own arguments.
int Probe(int major, int minor, const std::string& appLanguage, const std::string& switches) {
    return WinTest::RunProcess(TONEDOT_LANGUAGE_PROBE_PATH, std::to_string(major) + " " +
                                                                std::to_string(minor) + " " +
                                                                appLanguage + " " + switches,
                               {});
}

bool JapaneseWindows() {
    return GetUserDefaultUILanguage() == AEUtil::Platform::kLangIdJapanese;
}
// What the Windows language alone decides.
int ByWindows() { return JapaneseWindows() ? kJapanese : kEnglish; }

}  // namespace

TEST(HostLanguageWin, RunsWithTheWindowsLanguageItWasStartedFor) {
    // "ja" or "en": the Windows language the run was started for.
    if (const char* expected = std::getenv("TONEDOT_EXPECT_UI_LANGUAGE")) {
        EXPECT_EQ(GetUserDefaultUILanguage(), std::string(expected) == "ja"
                                                  ? AEUtil::Platform::kLangIdJapanese
                                                  : AEUtil::Platform::kLangIdEnglishUS)
            << expected;
    }
    // Without app suite and switch, a current host follows Windows.
    EXPECT_EQ(Probe(13, 27, "-", ""), ByWindows());
}

TEST(HostLanguageWin, AppSuiteDecidesWhateverWindowsSays) {
    EXPECT_EQ(Probe(13, 27, "ja_JP", ""), kJapanese);
    EXPECT_EQ(Probe(13, 27, "JA_jp", ""), kJapanese);
    EXPECT_EQ(Probe(13, 27, "en_US", ""), kEnglish);
    EXPECT_EQ(Probe(9, 0, "de_DE", "-L ja"), kEnglish);
    EXPECT_EQ(Probe(9, 0, "ja_JP", "-L en"), kJapanese);
}

TEST(HostLanguageWin, OldHostsEnglishSwitchBeatsWindows) {
    EXPECT_EQ(Probe(9, 0, "-", "-L en_US"), kEnglish);
    EXPECT_EQ(Probe(8, 0, "-", "-l EN"), kEnglish);
    EXPECT_EQ(Probe(9, 0, "-", "-L en-GB"), kEnglish);
    // CommandLineToArgvW keeps a quoted argument whole; the tag is cut at its blank.
    EXPECT_EQ(Probe(9, 0, "-", "-L \"en US\""), kEnglish);
    EXPECT_EQ(Probe(9, 0, "-", "other -L en more"), kEnglish);
}

TEST(HostLanguageWin, SwitchesThatDoNotSayEnglishLeaveItToWindows) {
    EXPECT_EQ(Probe(9, 0, "-", "-L"), ByWindows());  // -L last
    EXPECT_EQ(Probe(9, 0, "-", "-L ja_JP -L en"), ByWindows());  // only the first -L counts
    EXPECT_EQ(Probe(9, 0, "-", "-L eng"), ByWindows());
    EXPECT_EQ(Probe(9, 0, "-", "-Len"), ByWindows());
    EXPECT_EQ(Probe(9, 0, "-", "-L ja_JP"), ByWindows());
}

TEST(HostLanguageWin, NewHostsNeverReadTheSwitch) {
    EXPECT_EQ(Probe(13, 27, "-", "-L en"), ByWindows());
    EXPECT_EQ(Probe(9, 1, "-", "-L en"), ByWindows());
}
