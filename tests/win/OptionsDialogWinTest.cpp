// The options dialog for real: the stand-in host loads T_Tonedot.aex with LoadLibrary and
// sends PF_Cmd_DO_DIALOG; the dialog comes from template 206 in the .aex, and a second
// thread reads its controls, keeps a screenshot and presses its buttons.  The buttons' work
// lands in the real settings file under the application-data folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "host/EffectUI.h"
#include "host/Host.h"
#include "host/InstanceLifecycle.h"
#include "host/ParamServices.h"

namespace {

using WinTest::DialogDriver;

constexpr int kOk = 1, kGroup = 2000, kSave = 2001, kRestore = 2002, kBanner = 2059, kManual = 2060;
const char* const kTitle = "T_Tonedot";

HWND gMainWindow = nullptr;

HWND MakeWindow(const char* title, DWORD style, HWND owner, int x, int y, int w, int h) {
    static const bool registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = "TonedotTestHostWindow";
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) return nullptr;
    return CreateWindowExA(0, "TonedotTestHostWindow", title, style | WS_VISIBLE, x, y, w, h,
                           owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The Shift-JIS bytes of a UTF-8 text, as the dialog's Japanese column stores them.
std::string ShiftJis(const char* utf8) {
    wchar_t wide[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 256);
    char out[512] = {};
    WideCharToMultiByte(932, 0, wide, -1, out, sizeof(out), nullptr, nullptr);
    return out;
}

// What the dialog thread saw, checked on the test's own thread afterwards.
struct Seen {
    std::string dialogClass, caption;
    std::map<int, std::string> text, cls;
    std::map<int, bool> enabled, visible;
    bool fromAex = false;
    bool mainDisabled = false, panelDisabled = false, strayStillDisabled = false;
    RECT dialogRect{}, ownerRect{};
    // Per push button: its text's width in its own font, and the width the text has inside
    // the button's frame (both in pixels).
    std::map<int, int> textWidth, roomForText;
    double screenshotBrightness = -1;
    bool endedByButton = false;
};

// Measures a push button's text as the button draws it: the font the button was given
// (WM_GETFONT) selected into the button's own device context.  The room is the client width
// less the pushed-in edge and the focus rectangle on either side.
void MeasureButtonText(HWND button, int& textWidth, int& room) {
    wchar_t text[256] = {};
    const int length = GetWindowTextW(button, text, 256);
    HDC dc = GetDC(button);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
    const HGDIOBJ old = SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(SYSTEM_FONT));
    SIZE size{};
    textWidth = GetTextExtentPoint32W(dc, text, length, &size) ? int(size.cx) : -1;
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    RECT client{};
    GetClientRect(button, &client);
    const int frame = GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFOCUSBORDER);
    room = client.right - client.left - 2 * frame;
}

void Look(HWND dialog, Seen& seen) {
    seen.dialogClass = WinTest::ClassOf(dialog);
    seen.caption = WinTest::WindowText(dialog);
    for (int id : {kOk, kGroup, kSave, kRestore, kBanner, kManual}) {
        HWND item = GetDlgItem(dialog, id);
        if (!item) continue;
        seen.text[id] = WinTest::WindowText(item);
        seen.cls[id] = WinTest::ClassOf(item);
        seen.enabled[id] = IsWindowEnabled(item) != FALSE;
        seen.visible[id] = IsWindowVisible(item) != FALSE;
        if (id == kOk || id == kSave || id == kRestore)
            MeasureButtonText(item, seen.textWidth[id], seen.roomForText[id]);
    }
    const auto instance = reinterpret_cast<HMODULE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    seen.fromAex = instance != nullptr && instance == GetModuleHandleA("T_Tonedot.aex");
    GetWindowRect(dialog, &seen.dialogRect);
    GetWindowRect(gMainWindow, &seen.ownerRect);
}

// Every push button shows its whole text.
void ExpectButtonTextsFit(const Seen& seen) {
    for (int id : {kOk, kSave, kRestore}) {
        ASSERT_EQ(seen.textWidth.count(id), 1u) << id;
        EXPECT_GT(seen.textWidth.at(id), 0) << id;
        EXPECT_LE(seen.textWidth.at(id), seen.roomForText.at(id))
            << "button " << id << " cuts its text";
    }
}

class OptionsDialogWin : public ::testing::Test {
protected:
    void SetUp() override {
        guard_ = std::make_unique<WinTest::SettingsFolderGuard>();
        gMainWindow = MakeWindow("Stand-in host", WS_OVERLAPPEDWINDOW, nullptr, 40, 40, 900, 640);
        ASSERT_NE(gMainWindow, nullptr);
        panel_ = MakeWindow("Floating panel", WS_POPUP | WS_CAPTION, gMainWindow, 60, 700, 300, 120);
        strayDisabled_ = MakeWindow("Disabled panel", WS_POPUP | WS_CAPTION, gMainWindow, 400, 700, 300, 120);
        EnableWindow(strayDisabled_, FALSE);
        Load({13, 27});
    }

    void TearDown() override {
        if (host_ && host_->Main().sequenceData) tonedot::RemoveEffect(*host_, host_->Main());
        host_.reset();
        for (HWND w : {strayDisabled_, panel_, gMainWindow})
            if (w) DestroyWindow(w);
        gMainWindow = nullptr;
        guard_.reset();
    }

    // Loads the .aex into a fresh host (as a new start of the host application would),
    // runs global and parameter setup and applies the effect to an instance.
    void Load(PF_SpecVersion version, const char* language = "en_US") {
        host_.reset();
        host_ = std::make_unique<tonedot::Host>(std::string(TONEDOT_EFFECT_PATH));
        ASSERT_TRUE(host_->Loaded()) << host_->LoadError();
        host_->version = version;
        tonedot::SetMainWindow(*host_, gMainWindow);
        tonedot::Catalog(*host_).SetLanguage(language);
        ASSERT_EQ(host_->Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host_->Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_GT(tonedot::Catalog(*host_).Count(), 1);
        ASSERT_EQ(tonedot::ApplyEffect(*host_, host_->Main()).err, PF_Err_NONE);
    }

    // The registered definition of a parameter, by its display name.
    PF_ParamDef Registered(const char* name) {
        PF_ParamDef def{};
        const A_long index = tonedot::Catalog(*host_).IndexOf(name);
        EXPECT_NE(index, 0) << name;
        tonedot::Catalog(*host_).Definition(index, &def);
        return def;
    }

    // Runs PF_Cmd_DO_DIALOG while `script` drives the dialog; the dialog must appear.
    void RunDialog(DialogDriver::Script script) {
        DialogDriver driver(kTitle, std::move(script));
        tonedot::ParamArray params = tonedot::Params(host_->Main()).MakeParamArray(0, 24);
        const tonedot::CallResult result = host_->Send(PF_Cmd_DO_DIALOG, host_->Main(), params.data());
        EXPECT_EQ(result.err, PF_Err_NONE);
        EXPECT_TRUE(driver.Finish()) << "the options dialog did not appear";
    }

    std::unique_ptr<WinTest::SettingsFolderGuard> guard_;
    std::unique_ptr<tonedot::Host> host_;
    HWND panel_ = nullptr, strayDisabled_ = nullptr;
};

}  // namespace

TEST_F(OptionsDialogWin, ComesFromTheTemplateInTheAexWithItsEnglishTexts) {
    Seen seen;
    RunDialog([&](HWND dialog) {
        Look(dialog, seen);
        seen.mainDisabled = !IsWindowEnabled(gMainWindow);
        seen.panelDisabled = !IsWindowEnabled(panel_);
        seen.strayStillDisabled = !IsWindowEnabled(strayDisabled_);
        seen.screenshotBrightness =
            WinTest::CaptureWindowPng(dialog, WinTest::TestOutputFolder() + "\\options-dialog-en.png");
        seen.endedByButton = WinTest::PressToEnd(dialog, kOk);
    });

    EXPECT_TRUE(seen.endedByButton);
    EXPECT_EQ(seen.dialogClass, "#32770");
    EXPECT_EQ(seen.caption, "T_Tonedot");
    EXPECT_TRUE(seen.fromAex) << "the dialog was not made from the .aex's own template";
    EXPECT_EQ(seen.text[kOk], "OK");
    EXPECT_EQ(seen.text[kGroup], "Settings (Valid from next start-up)");
    EXPECT_EQ(seen.text[kSave], "Set current parameter values to default");
    EXPECT_EQ(seen.text[kRestore], "Restore initial default parameter values");
    EXPECT_NE(seen.text[kManual].find("Online Manual"), std::string::npos) << seen.text[kManual];
    ExpectButtonTextsFit(seen);
    EXPECT_EQ(seen.cls[kManual], "SysLink");
    EXPECT_EQ(seen.cls[kBanner], "Static");
    for (int id : {kOk, kGroup, kSave, kRestore, kBanner, kManual}) {
        EXPECT_TRUE(seen.enabled[id]) << id;
        EXPECT_TRUE(seen.visible[id]) << id;
    }

    // Centred on the owner (the host's main window).
    const int dialogW = seen.dialogRect.right - seen.dialogRect.left;
    const int dialogH = seen.dialogRect.bottom - seen.dialogRect.top;
    EXPECT_NEAR(seen.dialogRect.left, (seen.ownerRect.left + seen.ownerRect.right - dialogW) / 2, 1);
    EXPECT_NEAR(seen.dialogRect.top, (seen.ownerRect.top + seen.ownerRect.bottom - dialogH) / 2, 1);

    // The host's windows were disabled while the dialog ran, and exactly those come back.
    EXPECT_TRUE(seen.mainDisabled);
    EXPECT_TRUE(seen.panelDisabled);
    EXPECT_TRUE(seen.strayStillDisabled);
    EXPECT_TRUE(IsWindowEnabled(gMainWindow));
    EXPECT_TRUE(IsWindowEnabled(panel_));
    EXPECT_FALSE(IsWindowEnabled(strayDisabled_));

    EXPECT_GT(seen.screenshotBrightness, 20.0) << "the screenshot is blank";
    EXPECT_LT(seen.screenshotBrightness, 250.0) << "the screenshot is blank";

    // OK changes nothing.
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
}

TEST_F(OptionsDialogWin, SaveWritesTheCurrentValuesAndTheNextStartReadsThem) {
    const PF_ParamDef dotSize = Registered("Dot Size");
    ASSERT_EQ(dotSize.param_type, PF_Param_FLOAT_SLIDER);
    const double builtIn = dotSize.u.fs_d.value;
    ASSERT_NE(builtIn, 25.0);
    tonedot::Params(host_->Main()).SetFloat(tonedot::Catalog(*host_).IndexOf("Dot Size"), 25.0);
    ASSERT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));

    RunDialog([](HWND dialog) { EXPECT_TRUE(WinTest::PressToEnd(dialog, kSave)); });

    // The folders were made and the file written with the Windows profile functions.
    ASSERT_TRUE(WinTest::FileExists(WinTest::SettingsFile()));
    const std::string text = WinTest::ReadFile(WinTest::SettingsFile());
    EXPECT_EQ(text.find("[Version=1.5]"), 0u) << text;
    EXPECT_NE(text.find("Dot Size=25.000000"), std::string::npos) << text;
    EXPECT_NE(text.find("Dot Color.a="), std::string::npos) << text;
    char value[64] = {};
    GetPrivateProfileStringA("Version=1.5", "dot size", "", value, sizeof(value),
                             WinTest::SettingsFile().c_str());
    EXPECT_STREQ(value, "25.000000");

    // The running instance keeps its registration; a new start of the host reads 25.
    Load({13, 27});
    EXPECT_DOUBLE_EQ(Registered("Dot Size").u.fs_d.value, 25.0);

    // A host of version 12.11 does not use stored defaults.
    Load({12, 11});
    EXPECT_DOUBLE_EQ(Registered("Dot Size").u.fs_d.value, builtIn);
}

TEST_F(OptionsDialogWin, RestoreDeletesTheFileAndTheEmptyFolders) {
    RunDialog([](HWND dialog) { EXPECT_TRUE(WinTest::PressToEnd(dialog, kSave)); });
    ASSERT_TRUE(WinTest::FileExists(WinTest::SettingsFile()));

    RunDialog([](HWND dialog) { EXPECT_TRUE(WinTest::PressToEnd(dialog, kRestore)); });
    EXPECT_FALSE(WinTest::FileExists(WinTest::SettingsFile()));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::SettingsFolder()));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
    EXPECT_TRUE(WinTest::FolderExists(WinTest::AppDataFolder()));
}

TEST_F(OptionsDialogWin, RestoreKeepsTheVendorFolderWhenItHoldsOtherProducts) {
    RunDialog([](HWND dialog) { EXPECT_TRUE(WinTest::PressToEnd(dialog, kSave)); });
    const std::string other = WinTest::VendorFolder() + "\\OtherProduct";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    ASSERT_TRUE(WinTest::WriteFile(other + "\\Other.ini", "[x]\na=1\n"));

    RunDialog([](HWND dialog) { EXPECT_TRUE(WinTest::PressToEnd(dialog, kRestore)); });
    EXPECT_FALSE(WinTest::FileExists(WinTest::SettingsFile()));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::SettingsFolder()));
    EXPECT_TRUE(WinTest::FolderExists(WinTest::VendorFolder()));
    EXPECT_TRUE(WinTest::FileExists(other + "\\Other.ini"));
}

TEST_F(OptionsDialogWin, CloseBoxAndEscapeChangeNothing) {
    auto ends = [](HWND dialog) {
        for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(50);
        return !IsWindow(dialog);
    };
    RunDialog([&](HWND dialog) {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(ends(dialog)) << "close box";
    });
    RunDialog([&](HWND dialog) {
        // Escape reaches a dialog as the Cancel command.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(ends(dialog)) << "Escape";
    });
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
}

TEST_F(OptionsDialogWin, OldHostGetsBothButtonsDisabled) {
    Load({12, 11});
    Seen seen;
    RunDialog([&](HWND dialog) {
        Look(dialog, seen);
        seen.endedByButton = WinTest::PressToEnd(dialog, kOk);
    });
    EXPECT_TRUE(seen.endedByButton);
    EXPECT_FALSE(seen.enabled[kSave]);
    EXPECT_FALSE(seen.enabled[kRestore]);
    EXPECT_TRUE(seen.enabled[kOk]);
    EXPECT_TRUE(seen.enabled[kManual]);
    EXPECT_TRUE(seen.visible[kManual]);
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
}

TEST_F(OptionsDialogWin, JapaneseHostGetsTheJapaneseTexts) {
    Load({13, 27}, "ja_JP");
    Seen seen;
    RunDialog([&](HWND dialog) {
        Look(dialog, seen);
        WinTest::CaptureWindowPng(dialog, WinTest::TestOutputFolder() + "\\options-dialog-ja.png");
        seen.endedByButton = WinTest::PressToEnd(dialog, kOk);
    });
    EXPECT_TRUE(seen.endedByButton);
    EXPECT_EQ(seen.caption, "T_Tonedot");
    EXPECT_EQ(seen.text[kGroup], ShiftJis(u8"設定 （次回起動から有効になります）"));
    EXPECT_EQ(seen.text[kSave], ShiftJis(u8"現在のパラメータ設定をデフォルト値として記憶する"));
    EXPECT_EQ(seen.text[kRestore], ShiftJis(u8"パラメータのデフォルト値設定を初期状態に復帰する"));
    ExpectButtonTextsFit(seen);
}
