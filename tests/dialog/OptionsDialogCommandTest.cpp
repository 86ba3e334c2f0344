// PF_Cmd_DO_DIALOG through the stand-in host: the dialog's end codes drive the stored
// defaults, the host's windows are given back as they were, and the library loaded as the
// host loads it answers the same way.
// The dialog runs through the portable backend's script, so these tests are not built for
// Windows; there tests/win/OptionsDialogWinTest.cpp runs the real dialog.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include "AEUtil/Platform.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestHost.h"
#include "dialog/PosixDialogDriver.h"
#include "effect/ParamIds.h"
#include "host/EffectUI.h"
#include "host/InstanceLifecycle.h"
#include "host/ParamServices.h"

namespace fs = std::filesystem;

namespace tonedot::test {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

class OptionsDialogCommandTest : public LinkedHostTest {
protected:
    void SetUp() override
    {
        AEUtil::Platform::SetAppDataFolderOverride(appData.path().string());
        torvaDlg::posix::ClearDialogScript();
    }
    void TearDown() override
    {
        if (instance.sequenceData) RemoveEffect(host, instance);
        AEUtil::Platform::ClearAppDataFolderOverride();
        LinkedHostTest::TearDown();
    }
    void Start(PF_SpecVersion version = {13, 27})
    {
        host.version = version;
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(ApplyEffect(host, instance).err, PF_Err_NONE);
    }
    CallResult Press(const std::string& script)
    {
        return RunOptionsDialogCommand(host, instance, script, &transcript);
    }
    std::string IniPath() const { return appData / "TORVA/InkPanel/T_Tonedot.ini"; }

    ScratchFolder appData;
    Instance& instance = host.Main();
    std::vector<std::string> transcript;
};

TEST_F(OptionsDialogCommandTest, SavingWritesTheCurrentValues)
{
    Start();
    const A_long dotSize = Catalog(host).IndexOfId(ParamId::DotSize);
    Params(instance).SetFloat(dotSize, 25);
    ASSERT_EQ(Press("2001").err, PF_Err_NONE);
    EXPECT_TRUE(Has(transcript, "end 1"));
    const std::string ini = ReadBytes(IniPath());
    EXPECT_EQ(ini.rfind("[Version=1.5]", 0), 0u) << ini;
    EXPECT_NE(ini.find("Dot Size=25.000000"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Dot Color.r=255"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("Center Position"), std::string::npos) << "points are never stored";

    PF_ParamDef value{};
    Params(instance).ValueAt(dotSize, 0, 24, &value);
    EXPECT_EQ(value.u.fs_d.value, 25) << "the instance itself is unchanged";
}

TEST_F(OptionsDialogCommandTest, RestoringRemovesTheFileAndItsEmptyFolders)
{
    Start();
    ASSERT_EQ(Press("2001").err, PF_Err_NONE);
    ASSERT_TRUE(fs::exists(IniPath()));
    ASSERT_EQ(Press("2002").err, PF_Err_NONE);
    EXPECT_TRUE(Has(transcript, "end 2"));
    EXPECT_FALSE(fs::exists(appData / "TORVA")) << "InkPanel and TORVA were empty";
    EXPECT_TRUE(fs::exists(appData.path().string())) << "never above the application-data folder";

    ASSERT_EQ(Press("2001").err, PF_Err_NONE);
    WriteBytes(appData / "TORVA/Other.ini", "[x]\n");
    ASSERT_EQ(Press("2002").err, PF_Err_NONE);
    EXPECT_FALSE(fs::exists(appData / "TORVA/InkPanel"));
    EXPECT_TRUE(fs::exists(appData / "TORVA/Other.ini")) << "a folder with other files stays";
}

TEST_F(OptionsDialogCommandTest, ClosingChangesNothing)
{
    Start();
    for (const char* script : {"1", "esc", "close", "", "fail"}) {
        ASSERT_EQ(Press(script).err, PF_Err_NONE) << script;
        EXPECT_FALSE(fs::exists(appData / "TORVA")) << script;
    }
}

TEST_F(OptionsDialogCommandTest, OldHostsGetDisabledButtons)
{
    Start({12, 11});
    ASSERT_EQ(Press("2001 2002").err, PF_Err_NONE);
    EXPECT_TRUE(Has(transcript, "click 2001 ignored"));
    EXPECT_TRUE(Has(transcript, "click 2002 ignored"));
    EXPECT_TRUE(Has(transcript, "end 0"));
    EXPECT_FALSE(fs::exists(appData / "TORVA"));
}

TEST_F(OptionsDialogCommandTest, TitleAndLanguageComeFromTheHost)
{
    Start();
    Catalog(host).SetLanguage("ja_JP");
    ASSERT_EQ(Press("1").err, PF_Err_NONE);
    // "<a>オンラインマニュアル</a>" in Shift-JIS.
    EXPECT_TRUE(Has(transcript, "control 2060 \"<a>\x83I\x83\x93\x83\x89\x83\x43\x83\x93\x83}"
                                "\x83j\x83\x85\x83\x41\x83\x8B</a>\" enabled shown"));
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript[0].rfind("dialog 206 caption \"T_Tonedot\"", 0), 0u) << transcript[0];

    Catalog(host).SetLanguage("en_US");
    ASSERT_EQ(Press("1").err, PF_Err_NONE);
    EXPECT_TRUE(Has(transcript, "control 2001 \"Set current parameter values to default\" "
                                "enabled shown"));
}

TEST_F(OptionsDialogCommandTest, HostWindowsAreGivenBackAsTheyWere)
{
    using namespace torvaDlg;
    Start();
    DlgWindow main = posix::CreateTopLevelWindow(DlgRect{0, 0, 1000, 800}, true, true);
    DlgWindow panel = posix::CreateTopLevelWindow(DlgRect{0, 0, 10, 10}, true, true);
    DlgWindow busy = posix::CreateTopLevelWindow(DlgRect{0, 0, 10, 10}, true, false);
    DlgWindow hidden = posix::CreateTopLevelWindow(DlgRect{0, 0, 10, 10}, false, true);
    SetMainWindow(host, main);

    ASSERT_EQ(Press("1").err, PF_Err_NONE);
    // Centred on the main window: (0 + 1000 - 352) / 2, (0 + 800 - 276) / 2.
    EXPECT_EQ(transcript.at(0), "dialog 206 caption \"T_Tonedot\" at 324,262 size 352,276");
    EXPECT_TRUE(posix::WindowEnabled(main));
    EXPECT_TRUE(posix::WindowEnabled(panel));
    EXPECT_FALSE(posix::WindowEnabled(busy)) << "disabled before, disabled after";
    EXPECT_TRUE(posix::WindowEnabled(hidden));

    SetMainWindow(host, nullptr);
    for (DlgWindow w : {main, panel, busy, hidden}) posix::DestroyTopLevelWindow(w);
}

// The library as the host loads it, with its own copy of everything.
TEST(OptionsDialogLoadedTest, TheLoadedLibrarySavesAndRestores)
{
    ScratchFolder config;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    {
        Host host(TONEDOT_EFFECT_PATH);
        ASSERT_TRUE(host.Loaded()) << host.LoadError();
        Instance& instance = host.Main();
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(ApplyEffect(host, instance).err, PF_Err_NONE);
        Params(instance).SetFloat(Catalog(host).IndexOfId(ParamId::DotSize), 12.5);

        std::vector<std::string> transcript;
        ASSERT_EQ(RunOptionsDialogCommand(host, instance, "2001", &transcript).err, PF_Err_NONE);
        EXPECT_TRUE(Has(transcript, "end 1"));
        const std::string ini = ReadBytes(config / "TORVA/InkPanel/T_Tonedot.ini");
        EXPECT_NE(ini.find("Dot Size=12.500000"), std::string::npos) << ini;

        ASSERT_EQ(RunOptionsDialogCommand(host, instance, "2060 2002", &transcript).err,
                  PF_Err_NONE);
        EXPECT_TRUE(Has(transcript, "click 2060"));
        EXPECT_FALSE(fs::exists(config / "TORVA"));

        RemoveEffect(host, instance);
        host.Send(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(host.LeakReport(), "");
    }
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace tonedot::test
#endif  // !_WIN32
