// What the effect declares through the stand-in host: the About text, the registration of
// the parameters with and without stored defaults, the dynamic flag, and the library's
// unload hook emptying the registry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AEUtil/AboutText.h"
#include "TonedotVersion.h"
#include "AEUtil/LibraryLifetime.h"
#include "AEUtil/Platform.h"
#include "effect/Identity.h"
#include "effect/ParamIds.h"
#include "effect/ParamTable.h"
#include "host/ParamServices.h"
#include "params/ParamRegistry.h"
#include "params/StoredDefaults.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestHost.h"

using namespace Params;

namespace {

using tonedot::Catalog;
using tonedot::Params;

class GlobalSetupTest : public tonedot::test::LinkedHostTest {
protected:
    void SetUp() override {
        AEUtil::Platform::SetAppDataFolderOverride(scratch.path().string());
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
    }
    void TearDown() override {
        host.Send(PF_Cmd_GLOBAL_SETDOWN);
        AEUtil::Platform::ClearAppDataFolderOverride();
        AEUtil::Platform::ClearShiftKeyOverride();
        SetSettingsSection("");
        LinkedHostTest::TearDown();
    }
    std::string SettingsFile() {
        char path[kSettingsPathSize];
        EXPECT_TRUE(GetSettingsPath(path));
        return path;
    }
    PF_ParamDef Registered(A_long id) {
        PF_ParamDef def{};
        EXPECT_TRUE(Catalog(host).Definition(Catalog(host).IndexOfId(id), &def)) << id;
        return def;
    }
    ScratchFolder scratch;
};

TEST_F(GlobalSetupTest, AboutNamesVersionAndBuildKindAndTheBuildOnlyWithShift) {
    const std::string body = GetAboutText(kAboutBody, 0);
    ASSERT_FALSE(body.empty());
    AEUtil::Platform::SetShiftKeyOverride(false);
    tonedot::CallResult plain = host.Send(PF_Cmd_ABOUT);
    EXPECT_EQ(plain.err, PF_Err_NONE);
    const std::string head = std::string("T_Tonedot ") + TONEDOT_VERSION_TEXT + " Release";
    EXPECT_EQ(plain.Message(), head + "\r\r" + body);

    AEUtil::Platform::SetShiftKeyOverride(true);
    tonedot::CallResult shifted = host.Send(PF_Cmd_ABOUT);
    EXPECT_EQ(shifted.err, PF_Err_NONE);
    EXPECT_EQ(shifted.Message(),
              head + " build:" + std::to_string(TONEDOT_VERSION_BUILD) + "\r\r" + body);

    // Both languages show the same texts; the host is asked on every About.
    Catalog(host).SetLanguage("ja_JP");
    EXPECT_EQ(host.Send(PF_Cmd_ABOUT).Message(), shifted.Message());
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST(AboutTextTest, KeysLanguagesAndFallbacks) {
    EXPECT_STREQ(GetAboutText(kAboutProductName, 0), "T_Tonedot");
    EXPECT_STREQ(GetAboutText(kAboutDialogTitle, 1), "T_Tonedot");
    EXPECT_STREQ(GetAboutText(kAboutBody, 1), GetAboutText(kAboutBody, 0));
    const std::string body = GetAboutText(kAboutBody, 0);
    EXPECT_NE(body.find("Copyright"), std::string::npos);
    EXPECT_NE(body.find('\r'), std::string::npos);
    EXPECT_EQ(std::string(GetAboutText(kAboutManualUrl, 0)).rfind("https://", 0), 0u);
    EXPECT_STREQ(GetAboutText(4, 0), "");
    EXPECT_STREQ(GetAboutText(-1, 1), "");
    EXPECT_STREQ(GetAboutText(kAboutBody, 2), "");
    EXPECT_STREQ(GetAboutText(kAboutBody, -1), "");
}

TEST_F(GlobalSetupTest, RegistersTheWholeTableAndReportsItsSize) {
    tonedot::CallResult r = host.Send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.num_params, 123);
    EXPECT_EQ(Catalog(host).Count(), 123);
    EXPECT_EQ(Catalog(host).IndexOfId(132), 21);
    EXPECT_EQ(Catalog(host).IndexOf("Shift Hue 3"), 121);
    EXPECT_STREQ(SettingsSection(), Identity::kSettingsSection);
}

TEST_F(GlobalSetupTest, StoredDefaultsAreReadFromVersion12_12AndIgnoredBefore) {
    const std::string file = SettingsFile();
    ASSERT_TRUE(CreateSettingsFolder(file.c_str()));
    SetSettingsSection(Identity::kSettingsSection);
    WriteIniInt(file.c_str(), "Dot Shape", 4);
    WriteIniReal(file.c_str(), "Dot Size", 12.5);
    WriteIniReal(file.c_str(), "Dot Rotation", 45);
    WriteIniColor(file.c_str(), "Dot Color", PF_Pixel{255, 1, 2, 3});
    WriteIniInt(file.c_str(), "Enable Effector 2", 1);
    WriteIniInt(file.c_str(), "Random Seed", 99999);  // beyond its valid range
    SetSettingsSection("");

    host.version = {12, 11};
    tonedot::CallResult old = host.Send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(old.err, PF_Err_NONE);
    EXPECT_EQ(old.out.num_params, 123);
    EXPECT_STREQ(SettingsSection(), "");
    EXPECT_EQ(Registered(ParamId::DotShape).u.pd.dephault, 1);
    EXPECT_EQ(Registered(ParamId::DotSize).u.fs_d.dephault, 10.0f);
    EXPECT_EQ(Registered(ParamId::DotColor).u.cd.dephault.green, 125);

    for (PF_SpecVersion v : {PF_SpecVersion{12, 12}, PF_SpecVersion{13, 27}}) {
        host.version = v;
        tonedot::CallResult r = host.Send(PF_Cmd_PARAMS_SETUP);
        SCOPED_TRACE(std::to_string(v.major) + "." + std::to_string(v.minor));
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.out.num_params, 123);
        EXPECT_EQ(Catalog(host).Count(), 123);
        EXPECT_STREQ(SettingsSection(), "Version=1.5");
        EXPECT_EQ(Registered(ParamId::DotShape).u.pd.dephault, 4);
        EXPECT_EQ(Registered(ParamId::DotSize).u.fs_d.dephault, 12.5f);
        EXPECT_EQ(Registered(ParamId::DotRotation).u.ad.dephault, 45 * 65536);
        const PF_Pixel c = Registered(ParamId::DotColor).u.cd.dephault;
        EXPECT_EQ(c.alpha, 255);
        EXPECT_EQ(c.red, 1);
        EXPECT_EQ(c.green, 2);
        EXPECT_EQ(c.blue, 3);
        EXPECT_EQ(Registered(ParamId::EffectorIds(1).enable).u.bd.dephault, 1);
        EXPECT_EQ(Registered(ParamId::EffectorIds(0).enable).u.bd.dephault, 0);
        EXPECT_EQ(Registered(ParamId::RandomSeed).u.sd.dephault, 10000);
    }
}

TEST_F(GlobalSetupTest, NoApplicationDataFolderMeansBuiltInDefaults) {
    const std::string file = SettingsFile();
    ASSERT_TRUE(CreateSettingsFolder(file.c_str()));
    SetSettingsSection(Identity::kSettingsSection);
    WriteIniInt(file.c_str(), "Dot Shape", 4);
    AEUtil::Platform::SetAppDataFolderOverride("");
    tonedot::CallResult r = host.Send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.num_params, 123);
    EXPECT_EQ(Registered(ParamId::DotShape).u.pd.dephault, 1);
}

TEST_F(GlobalSetupTest, ARefusedParameterEndsTheRegistration) {
    Catalog(host).FailAddAfter(10, PF_Err_OUT_OF_MEMORY);
    tonedot::CallResult r = host.Send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.out.num_params, 123);
    EXPECT_EQ(Catalog(host).Count(), 11);  // input layer and the ten added
    Catalog(host).FailAddAfter(static_cast<size_t>(-1), PF_Err_NONE);
}

TEST_F(GlobalSetupTest, RandomIntervalDecidesWideTimeInput) {
    ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
    const A_long interval = Catalog(host).IndexOfId(ParamId::RandomInterval);
    ASSERT_EQ(interval, 20);
    tonedot::InstanceParams& params = Params(host.Main());
    auto query = [&](PF_OutFlags before, A_long frame) {
        host.Main().context.currentTime = frame;
        PF_InData in = host.MakeInData(host.Main());
        PF_OutData out{};
        out.out_flags = before;
        EXPECT_EQ(host.Call(PF_Cmd_QUERY_DYNAMIC_FLAGS, &in, &out, nullptr, nullptr, nullptr),
                  PF_Err_NONE);
        return out.out_flags;
    };
    // Default 0: cleared, whatever GlobalSetup declared; the other bits stay.
    EXPECT_EQ(query(Identity::kOutFlags, 0), Identity::kOutFlags & ~PF_OutFlag_WIDE_TIME_INPUT);
    params.SetSlider(interval, 3);
    EXPECT_EQ(query(PF_OutFlag_I_DO_DIALOG, 0),
              PF_OutFlag_I_DO_DIALOG | PF_OutFlag_WIDE_TIME_INPUT);
    // Keys in time: 0 before one second, 1 from then on (24 frames a second).
    PF_ParamDef def{};
    ASSERT_TRUE(Catalog(host).Definition(interval, &def));
    def.u.sd.value = 0;
    params.SetValueAt(interval, 0.0, def.u);
    def.u.sd.value = 1;
    params.SetValueAt(interval, 1.0, def.u);
    EXPECT_EQ(query(PF_OutFlag_WIDE_TIME_INPUT, 23), 0);
    EXPECT_EQ(query(0, 24), PF_OutFlag_WIDE_TIME_INPUT);
    EXPECT_EQ(params.Outstanding(), 0);
    EXPECT_EQ(params.Checkouts(), 4);  // one per query
}

// The unload hook deletes every descriptor (and the next first call would build them anew).
TEST(LibraryUnloadTest, UnloadDeletesTheDescriptors) {
    BuildParamList(nullptr);
    ASSERT_EQ(ParamCount(), 122u);
    AEUtil::OnLibraryUnload();
    EXPECT_EQ(ParamCount(), 0u);
    EXPECT_EQ(FindParamIndex(ParamId::DotShape), 0);
    EXPECT_EQ(ParamAtIndex(1), nullptr);
    EXPECT_EQ(HostParamCount(), 1);
    BuildParamList(nullptr);  // other tests drive the linked effect
}

// The loaded library (not linked in) registers the same list.
TEST(LoadedLibraryParamsTest, RegistersTheTableThroughTheLoadedLibrary) {
    tonedot::Host host(TONEDOT_EFFECT_PATH);
    ASSERT_TRUE(host.Loaded()) << host.LoadError();
    ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
    host.version = {12, 11};  // built-in defaults, whatever the user's settings say
    tonedot::CallResult r = host.Send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.num_params, 123);
    ASSERT_EQ(Catalog(host).Count(), 123);
    EXPECT_EQ(Catalog(host).IndexOfId(19), 32);
    EXPECT_EQ(Catalog(host).IndexOf("Tiling 2"), 73);
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    EXPECT_EQ(host.LeakReport(), "");
}

}  // namespace
