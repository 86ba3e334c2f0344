// Host language: the app suite's answer, the "-L" switch of old hosts and the user's UI
// language, with a basic suite made up in the test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AEUtil/HostLanguage.h"
#include "AEUtil/Platform.h"

namespace Platform = AEUtil::Platform;

namespace {

// What the made-up host answers and what it saw.
struct FakeHost {
    bool hasAppSuite = true;
    std::string language;  // up to PF_APP_LANG_TAG_SIZE bytes are copied, no terminator added
    PF_Err queryError = PF_Err_NONE;
    int acquired = 0;
    int released = 0;
    int queries = 0;
    bool bufferWasZeroed = true;
};
FakeHost g_host;

PF_Err FakeGetLanguage(A_char* tag) {
    ++g_host.queries;
    for (int i = 0; i < PF_APP_LANG_TAG_SIZE; ++i)
        if (tag[i] != 0) g_host.bufferWasZeroed = false;
    std::memcpy(tag, g_host.language.data(),
                std::min<std::size_t>(g_host.language.size(), PF_APP_LANG_TAG_SIZE));
    return g_host.queryError;
}

PFAppSuite5 MakeAppSuite() {
    PFAppSuite5 suite{};
    suite.PF_AppGetLanguage = &FakeGetLanguage;
    return suite;
}
PFAppSuite5 g_appSuite = MakeAppSuite();

SPErr FakeAcquire(const char* name, int32 version, const void** suite) {
    if (!g_host.hasAppSuite || std::strcmp(name, kPFAppSuite) != 0 ||
        version != kPFAppSuiteVersion5) {
        *suite = nullptr;
        return 1;  // any non-zero error: suite not found
    }
    ++g_host.acquired;
    *suite = &g_appSuite;
    return kSPNoError;
}

SPErr FakeRelease(const char* name, int32 version) {
    if (std::strcmp(name, kPFAppSuite) == 0 && version == kPFAppSuiteVersion5) ++g_host.released;
    return kSPNoError;
}

class HostLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_host = FakeHost();
        basic_ = SPBasicSuite{};
        basic_.AcquireSuite = &FakeAcquire;
        basic_.ReleaseSuite = &FakeRelease;
        inData_ = PF_InData{};
        inData_.pica_basicP = &basic_;
        HostVersion(13, 27);
        AEUtil::ResetEnglishSwitchCache();
        Platform::SetCommandLineOverride({"AfterFX.exe"});
        Platform::SetUILanguageOverride(Platform::kLangIdEnglishUS);
    }
    void TearDown() override {
        AEUtil::ResetEnglishSwitchCache();
        Platform::ClearCommandLineOverride();
        Platform::ClearUILanguageOverride();
    }
    void HostVersion(int major, int minor) {
        inData_.version.major = static_cast<A_short>(major);
        inData_.version.minor = static_cast<A_short>(minor);
    }
    // An old host without the app suite, started with these arguments, on a Windows whose
    // UI language is `langId`.
    bool OldHostAnswer(int major, int minor, const std::vector<std::string>& arguments,
                       std::uint16_t langId) {
        g_host.hasAppSuite = false;
        HostVersion(major, minor);
        Platform::SetCommandLineOverride(arguments);
        Platform::SetUILanguageOverride(langId);
        AEUtil::ResetEnglishSwitchCache();
        return AEUtil::IsEnglishUI(&inData_);
    }

    SPBasicSuite basic_{};
    PF_InData inData_{};
};

}  // namespace

TEST_F(HostLanguageTest, HostLanguageDecides) {
    Platform::SetUILanguageOverride(Platform::kLangIdJapanese);  // never asked here
    const struct {
        const char* tag;
        bool english;
    } cases[] = {{"ja_JP", false}, {"JA_jp", false}, {"en_US", true},
                 {"de_DE", true},  {"", true},       {"ja", true}};
    for (const auto& c : cases) {
        g_host.language = c.tag;
        EXPECT_EQ(AEUtil::IsEnglishUI(&inData_), c.english) << c.tag;
    }
    EXPECT_TRUE(g_host.bufferWasZeroed);
    EXPECT_EQ(g_host.queries, 6);
    EXPECT_EQ(g_host.acquired, 6);
    EXPECT_EQ(g_host.released, g_host.acquired);
}

TEST_F(HostLanguageTest, TagFillingTheWholeBufferIsTerminated) {
    g_host.language = "ja_JPX";  // six bytes, no terminator
    EXPECT_FALSE(AEUtil::IsEnglishUI(&inData_));
}

TEST_F(HostLanguageTest, FailedQueryReadsAsEnglish) {
    Platform::SetUILanguageOverride(Platform::kLangIdJapanese);
    g_host.language = "";
    g_host.queryError = PF_Err_INTERNAL_STRUCT_DAMAGED;
    EXPECT_TRUE(AEUtil::IsEnglishUI(&inData_));
    EXPECT_EQ(g_host.released, 1);
}

TEST_F(HostLanguageTest, OldHostsFallBackToTheSwitchAndTheUILanguage) {
    const auto ja = Platform::kLangIdJapanese;
    const auto en = Platform::kLangIdEnglishUS;
    EXPECT_TRUE(OldHostAnswer(9, 0, {"AfterFX.exe", "-L", "en_US"}, ja));
    EXPECT_TRUE(OldHostAnswer(8, 0, {"AfterFX.exe", "-l", "EN"}, ja));
    EXPECT_TRUE(OldHostAnswer(7, 0, {"AfterFX.exe", "-L", "en-GB"}, ja));
    EXPECT_TRUE(OldHostAnswer(7, 0, {"AfterFX.exe", "-L", "en x"}, ja));
    // Newer hosts do not read the switch: the UI language decides.
    EXPECT_FALSE(OldHostAnswer(13, 27, {"AfterFX.exe", "-L", "en"}, ja));
    EXPECT_TRUE(OldHostAnswer(13, 27, {"AfterFX.exe", "-L", "en"}, en));
    EXPECT_FALSE(OldHostAnswer(9, 1, {"AfterFX.exe", "-L", "en"}, ja));
    // No tag after the switch, a tag that is not English, only the first switch counts.
    EXPECT_FALSE(OldHostAnswer(8, 0, {"AfterFX.exe", "-L"}, ja));
    EXPECT_FALSE(OldHostAnswer(8, 0, {"AfterFX.exe", "-L", "english"}, ja));
    EXPECT_FALSE(OldHostAnswer(8, 0, {"AfterFX.exe", "-L", "ja_JP", "-L", "en"}, ja));
    EXPECT_FALSE(OldHostAnswer(8, 0, {"AfterFX.exe", "-L", "", "-L", "en"}, ja));
    EXPECT_FALSE(OldHostAnswer(8, 0, {}, ja));
    EXPECT_TRUE(OldHostAnswer(8, 0, {"AfterFX.exe", "-L", "ja_JP"}, en));
    EXPECT_EQ(g_host.acquired, 0);
    EXPECT_EQ(g_host.released, 0);
}

TEST_F(HostLanguageTest, SwitchAnswerIsWorkedOutOnce) {
    HostVersion(8, 0);
    Platform::SetCommandLineOverride({"AfterFX.exe", "-L", "en"});
    EXPECT_TRUE(AEUtil::EnglishSwitchGiven(&inData_));
    Platform::SetCommandLineOverride({"AfterFX.exe"});
    EXPECT_TRUE(AEUtil::EnglishSwitchGiven(&inData_));
    HostVersion(13, 0);
    EXPECT_TRUE(AEUtil::EnglishSwitchGiven(&inData_));

    // A first call from a new host caches "no switch" even if the switch is given later.
    AEUtil::ResetEnglishSwitchCache();
    Platform::SetCommandLineOverride({"AfterFX.exe", "-L", "en"});
    EXPECT_FALSE(AEUtil::EnglishSwitchGiven(&inData_));
    HostVersion(8, 0);
    EXPECT_FALSE(AEUtil::EnglishSwitchGiven(&inData_));
}

TEST_F(HostLanguageTest, WithoutInDataOnlyTheFallbacksDecide) {
    Platform::SetCommandLineOverride({"host", "-L", "EN_us"});
    Platform::SetUILanguageOverride(Platform::kLangIdJapanese);
    EXPECT_TRUE(AEUtil::IsEnglishUI(nullptr));
    AEUtil::ResetEnglishSwitchCache();
    Platform::SetCommandLineOverride({"host"});
    EXPECT_FALSE(AEUtil::IsEnglishUI(nullptr));

    // A host without a basic suite behaves like one without the app suite.
    inData_.pica_basicP = nullptr;
    EXPECT_FALSE(AEUtil::IsEnglishUI(&inData_));
}
