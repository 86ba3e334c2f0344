// The dialog framework and the options dialog, run against the portable backend: message
// routing, the registry, placement, the options dialog's controls and end codes, and the
// Windows resources the dialog is built from.
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>
#include "dialog/AEFxOptionDialog.h"
#include "dialog/DialogBase.h"
#include "dialog/DialogPlatform.h"
#include "dialog/DialogTexts.h"
#include "dialog/OptionDialogTemplate.h"
#ifndef _WIN32
#include "dialog/PosixDialogDriver.h"
#endif
#include "resources/OptionDialogIds.h"

using namespace torvaDlg;

namespace {

// Records what DialogProc hands it.
class RecordingDialog : public DialogBase {
public:
    RecordingDialog() : DialogBase(nullptr, nullptr, 0) {}
    DlgResult PreDispatch(DlgWindow, DlgMessage message, DlgWParam, DlgLParam) override
    {
        return message == preDispatchTakes ? 77 : 0;
    }
    DlgResult OnInitDialog(DlgWindow, DlgWindow focus) override
    {
        log.push_back("init");
        lastFocus = focus;
        return 1;
    }
    DlgResult OnCommand(DlgWindow, int code, int id, DlgWindow control) override
    {
        log.push_back("command " + std::to_string(code) + " " + std::to_string(id));
        lastControl = control;
        if (throwOnCommand) throw std::runtime_error("handler failed");
        return 5;
    }
    DlgResult OnUserMessage(DlgWindow, DlgMessage message, DlgWParam, DlgLParam) override
    {
        log.push_back("user " + std::to_string(message));
        return 6;
    }
    DlgResult OnNotify(DlgWindow, int id, DlgNotifyHeader*) override
    {
        log.push_back("notify " + std::to_string(id));
        return 7;
    }
    DlgResult OnDrawItem(DlgWindow, int id, DlgDrawItem*) override
    {
        log.push_back("draw " + std::to_string(id));
        return 8;
    }
    DlgResult OnDestroy(DlgWindow window) override
    {
        log.push_back(FindDialog(window) ? "destroy (still registered)" : "destroy");
        return 9;
    }
    void EndModal(DlgWindow, DlgResult result) override { ended.push_back(result); }

    std::vector<std::string> log;
    std::vector<DlgResult> ended;
    DlgMessage preDispatchTakes = 0;
    bool throwOnCommand = false;
    DlgWindow lastFocus = nullptr;
    DlgWindow lastControl = nullptr;
};

DlgWindow FakeWindow(std::uintptr_t n) { return reinterpret_cast<DlgWindow>(n * 16); }

TEST(DialogProcTest, RoutesMessagesToTheRegisteredObject)
{
    RecordingDialog d;
    const DlgWindow w = FakeWindow(1);
    EXPECT_EQ(DialogProc(w, kMsgCommand, 1, 0), 0) << "no object yet";
    EXPECT_EQ(DialogProc(w, kMsgInitDialog, reinterpret_cast<DlgWParam>(FakeWindow(2)),
                         reinterpret_cast<DlgLParam>(&d)),
              1);
    EXPECT_EQ(d.Window(), w);
    EXPECT_EQ(d.lastFocus, FakeWindow(2));
    EXPECT_EQ(FindDialog(w), &d);

    EXPECT_EQ(DialogProc(w, kMsgCommand, (DlgWParam(3) << 16) | 2001,
                         reinterpret_cast<DlgLParam>(FakeWindow(3))),
              5);
    EXPECT_EQ(d.lastControl, FakeWindow(3));
    EXPECT_EQ(DialogProc(w, kMsgNotify, 2060, 0), 7);
    EXPECT_EQ(DialogProc(w, kMsgDrawItem, 2059, 0), 8);
    EXPECT_EQ(DialogProc(w, 0x8000, 0, 0), 6);
    EXPECT_EQ(DialogProc(w, 0xBFFF, 0, 0), 6);
    EXPECT_EQ(DialogProc(w, 0xC000, 0, 0), 0) << "registered window messages are not user messages";
    EXPECT_EQ(DialogProc(w, 0x7FFF, 0, 0), 0);
    EXPECT_EQ(DialogProc(w, kMsgClose, 0, 0), 1);
    EXPECT_EQ(d.ended, std::vector<DlgResult>{0});

    EXPECT_EQ(DialogProc(w, kMsgDestroy, 0, 0), 9);
    EXPECT_EQ(FindDialog(w), nullptr);
    EXPECT_EQ(DialogProc(w, kMsgCommand, 1, 0), 0) << "gone after WM_DESTROY";

    const std::vector<std::string> expected = {"init",     "command 3 2001", "notify 2060",
                                               "draw 2059", "user 32768",    "user 49151",
                                               "destroy"};
    EXPECT_EQ(d.log, expected);
}

TEST(DialogProcTest, PreDispatchSeesMessagesFirst)
{
    RecordingDialog d;
    const DlgWindow w = FakeWindow(4);
    DialogProc(w, kMsgInitDialog, 0, reinterpret_cast<DlgLParam>(&d));
    d.preDispatchTakes = kMsgCommand;
    EXPECT_EQ(DialogProc(w, kMsgCommand, 1, 0), 77);
    EXPECT_EQ(d.log, std::vector<std::string>{"init"});
    DialogProc(w, kMsgDestroy, 0, 0);
}

TEST(DialogProcTest, AFailingHandlerEndsItsDialogAndNothingEscapes)
{
    RecordingDialog d;
    const DlgWindow w = FakeWindow(5);
    DialogProc(w, kMsgInitDialog, 0, reinterpret_cast<DlgLParam>(&d));
    d.throwOnCommand = true;
    DlgResult r = -1;
    EXPECT_NO_THROW(r = DialogProc(w, kMsgCommand, 2001, 0));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(d.ended, std::vector<DlgResult>{0});
    DialogProc(w, kMsgDestroy, 0, 0);
}

TEST(DialogProcTest, UnloadEmptiesTheRegistry)
{
    RecordingDialog a, b;
    DialogProc(FakeWindow(6), kMsgInitDialog, 0, reinterpret_cast<DlgLParam>(&a));
    DialogProc(FakeWindow(7), kMsgInitDialog, 0, reinterpret_cast<DlgLParam>(&b));
    EXPECT_GE(RegisteredDialogCount(), 2u);
    ClearDialogRegistry();
    EXPECT_EQ(RegisteredDialogCount(), 0u);
    EXPECT_EQ(DialogProc(FakeWindow(6), kMsgCommand, 1, 0), 0);
}

TEST(CenterOnOwnerTest, CentresAndKeepsTheCornerInside)
{
    long x = 0, y = 0;
    CenteredPosition(DlgRect{100, 100, 901, 701}, 352, 276, x, y);
    EXPECT_EQ(x, 324);  // (100 + 901 - 352) / 2, integer division
    EXPECT_EQ(y, 262);
    CenteredPosition(DlgRect{-1000, 0, -700, 200}, 352, 276, x, y);
    EXPECT_EQ(x, -968) << "clamped to 32 in from the left";
    EXPECT_EQ(y, 32);
}

// ---- the options dialog through the portable backend ----------------------------------
// (The Windows build runs the real dialog instead: tests/win/OptionsDialogWinTest.cpp.)
#ifndef _WIN32

class OptionDialogTest : public ::testing::Test {
protected:
    void SetUp() override { posix::TakeDialogTranscript(); }
    void TearDown() override
    {
        posix::ClearDialogScript();
        posix::SetCursorMonitorRect(DlgRect{0, 0, 1920, 1080});
        EXPECT_EQ(RegisteredDialogCount(), 0u) << "a finished dialog leaves the registry";
    }

    DlgResult Run(const std::string& script, bool available = true, int language = 1,
                  const char* manual = "https://example.com/tonedot/manual",
                  DlgWindow owner = nullptr)
    {
        posix::SetDialogScript(script);
        FxOptionDlg::AEFxOptionDialog dialog(nullptr, owner, IDD_TONEDOT_OPTIONS, "T_Tonedot",
                                             manual, available, language);
        const DlgResult r = dialog.DoModal();
        transcript = posix::TakeDialogTranscript();
        return r;
    }

    std::string Line(const std::string& prefix) const
    {
        for (const auto& l : transcript)
            if (l.compare(0, prefix.size(), prefix) == 0) return l;
        return "";
    }
    bool Has(const std::string& line) const
    {
        for (const auto& l : transcript)
            if (l == line) return true;
        return false;
    }

    std::vector<std::string> transcript;
};

TEST_F(OptionDialogTest, ButtonsGiveTheirEndCodes)
{
    EXPECT_EQ(Run("2001"), 1);
    EXPECT_EQ(Run("2002"), 2);
    EXPECT_EQ(Run("1"), 0);
    EXPECT_EQ(Run("esc"), 0);
    EXPECT_EQ(Run("close"), 0);
    EXPECT_EQ(Run(""), 0) << "a dialog nobody answers is closed";
    EXPECT_EQ(Run("2000 2059 2002"), 2) << "the group box and the banner are not buttons";
    EXPECT_TRUE(Has("click 2000 ignored"));
}

TEST_F(OptionDialogTest, ADialogThatCannotBeCreatedAnswersZero)
{
    EXPECT_EQ(Run("fail"), 0);
    EXPECT_TRUE(Has("dialog 206 cannot be created"));
    posix::SetDialogScript("2001");
    FxOptionDlg::AEFxOptionDialog unknown(nullptr, nullptr, 999, "T_Tonedot", "", true, 1);
    EXPECT_EQ(unknown.DoModal(), 0) << "no such template";
    EXPECT_EQ(DialogBase(nullptr, nullptr, 999).DoModal(), -1) << "the base reports the failure";
}

TEST_F(OptionDialogTest, ShowsTheTextsOfTheLanguage)
{
    Run("1", true, 1);
    EXPECT_EQ(Line("dialog 206"), "dialog 206 caption \"T_Tonedot\" at 784,402 size 352,276");
    EXPECT_TRUE(Has("control 2000 \"Settings (Valid from next start-up)\" enabled shown"));
    EXPECT_TRUE(Has("control 2001 \"Set current parameter values to default\" enabled shown"));
    EXPECT_TRUE(Has("control 2002 \"Restore initial default parameter values\" enabled shown"));
    EXPECT_TRUE(Has("control 2060 \"<a>Online Manual</a>\" enabled shown"));
    EXPECT_TRUE(Has("control 1 \"OK\" enabled shown"));

    Run("1", true, 0);
    // "オンラインマニュアル" in Shift-JIS.
    EXPECT_TRUE(Has("control 2060 \"<a>\x83I\x83\x93\x83\x89\x83\x43\x83\x93\x83}\x83j\x83\x85"
                    "\x83\x41\x83\x8B</a>\" enabled shown"));
    EXPECT_TRUE(Has(std::string("control 2001 \"") +
                    FxOptionDlg::GetDialogText(FxOptionDlg::kTextSave, 0) + "\" enabled shown"));
}

TEST_F(OptionDialogTest, WithoutStoredDefaultsBothButtonsAreDisabled)
{
    EXPECT_EQ(Run("2001 2002 2060", false), 0);
    EXPECT_TRUE(Has("control 2001 \"Set current parameter values to default\" disabled shown"));
    EXPECT_TRUE(Has("control 2002 \"Restore initial default parameter values\" disabled shown"));
    EXPECT_TRUE(Has("click 2001 ignored"));
    EXPECT_TRUE(Has("click 2002 ignored"));
    EXPECT_TRUE(Has("open \"https://example.com/tonedot/manual\"")) << "the link still acts";
}

TEST_F(OptionDialogTest, TheLinkOpensTheManualAndIsHiddenWithoutAnAddress)
{
    EXPECT_EQ(Run("2060 2002"), 2) << "the link leaves the dialog open";
    EXPECT_TRUE(Has("click 2060"));
    EXPECT_TRUE(Has("open \"https://example.com/tonedot/manual\""));

    EXPECT_EQ(Run("2060", true, 1, ""), 0);
    EXPECT_TRUE(Has("control 2060 \"<a>Online Manual</a>\" disabled hidden"));
    EXPECT_TRUE(Has("click 2060 ignored"));
    EXPECT_EQ(Line("open"), "");
}

TEST_F(OptionDialogTest, CentresOnItsOwnerOrOnTheCursorsMonitor)
{
    DlgWindow host = posix::CreateTopLevelWindow(DlgRect{100, 100, 901, 701}, true, true);
    Run("1", true, 1, "x", host);
    EXPECT_EQ(Line("dialog 206"), "dialog 206 caption \"T_Tonedot\" at 324,262 size 352,276");
    posix::DestroyTopLevelWindow(host);

    posix::SetCursorMonitorRect(DlgRect{2000, 0, 2300, 200});
    Run("1");
    EXPECT_EQ(Line("dialog 206"), "dialog 206 caption \"T_Tonedot\" at 2032,32 size 352,276");
}

TEST_F(OptionDialogTest, KeepsBoundedCopiesOfItsTexts)
{
    const std::string longTitle(400, 'x');
    posix::SetDialogScript("2060");
    FxOptionDlg::AEFxOptionDialog d(nullptr, nullptr, IDD_TONEDOT_OPTIONS, longTitle.c_str(),
                                    nullptr, true, 1);
    EXPECT_EQ(d.DoModal(), 0);
    transcript = posix::TakeDialogTranscript();
    const std::string caption = "dialog 206 caption \"" + longTitle.substr(0, 255) + "\" at ";
    EXPECT_EQ(Line(caption).substr(0, caption.size()), caption);
    EXPECT_TRUE(Has("control 2060 \"<a>Online Manual</a>\" disabled hidden")) << "no address";
}

TEST_F(OptionDialogTest, TheLinkClassIsRegisteredOnce)
{
    FxOptionDlg::AEFxOptionDialog a(nullptr, nullptr, IDD_TONEDOT_OPTIONS, "", "", true, 1);
    FxOptionDlg::AEFxOptionDialog b(nullptr, nullptr, IDD_TONEDOT_OPTIONS, "", "", true, 1);
    EXPECT_EQ(posix::LinkControlClassRegistrations(), 1);
}
#endif  // !_WIN32

TEST(DialogTextTest, LanguagesAndUnknownKeys)
{
    using FxOptionDlg::GetDialogText;
    EXPECT_STREQ(GetDialogText(0, 1), "Settings (Valid from next start-up)");
    // "設定 （次回起動から有効になります）" in Shift-JIS.
    EXPECT_STREQ(GetDialogText(0, 0),
                 "\x90\xDD\x92\xE8 \x81i\x8E\x9F\x89\xF1\x8B" "N\x93\xAE\x82\xA9\x82\xE7\x97L\x8C\xF8"
                 "\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB7\x81j");
    EXPECT_STREQ(GetDialogText(3, 1), "");
    EXPECT_STREQ(GetDialogText(5, 0), "");
    EXPECT_STREQ(GetDialogText(1, 2), "");
}

// ---- the Windows resources ------------------------------------------------------------------

std::string ReadSource(const std::string& relative)
{
    std::ifstream in(std::string(TONEDOT_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DialogResourceTest, TemplateScriptMatchesTheLayoutTable)
{
    const std::string rc = ReadSource("resources/OptionDialog.rc");
    const std::string ids = ReadSource("resources/OptionDialogIds.h");
    ASSERT_FALSE(rc.empty());
    std::map<std::string, int> value = {{"IDOK", 1}};
    std::smatch m;
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (auto it = std::sregex_iterator(ids.begin(), ids.end(), define);
         it != std::sregex_iterator(); ++it)
        value[(*it)[1]] = std::stoi((*it)[2]);

    const DialogTemplate& t = kOptionDialogTemplate;
    ASSERT_TRUE(std::regex_search(
        rc, m, std::regex(R"((\w+)\s+DIALOGEX\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+))")));
    EXPECT_EQ(value[m[1]], 206);
    EXPECT_EQ(std::stoi(m[2]), t.x);
    EXPECT_EQ(std::stoi(m[3]), t.y);
    EXPECT_EQ(std::stoi(m[4]), t.width);
    EXPECT_EQ(std::stoi(m[5]), t.height);
    EXPECT_NE(rc.find("FONT 9, \"MS UI Gothic\""), std::string::npos);
    EXPECT_NE(rc.find("DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU"), std::string::npos);

    // Every control line: kind, text, id, (class, style,) x, y, w, h.
    const std::regex control(
        R"re((DEFPUSHBUTTON|PUSHBUTTON|GROUPBOX|CONTROL)\s+"[^"]*",\s*(\w+),\s*(?:"(\w+)",\s*([^,]+),\s*)?(\d+),\s*(\d+),\s*(\d+),\s*(\d+))re");
    int seen = 0;
    for (auto it = std::sregex_iterator(rc.begin(), rc.end(), control);
         it != std::sregex_iterator(); ++it, ++seen) {
        const std::smatch& c = *it;
        ASSERT_LT(seen, t.controlCount);
        const ControlTemplate& want = t.controls[seen];
        EXPECT_EQ(value[c[2]], want.id) << c[0];
        EXPECT_EQ(std::stoi(c[5]), want.x) << c[0];
        EXPECT_EQ(std::stoi(c[6]), want.y) << c[0];
        EXPECT_EQ(std::stoi(c[7]), want.width) << c[0];
        EXPECT_EQ(std::stoi(c[8]), want.height) << c[0];
        const std::string kind = c[1];
        switch (want.kind) {
        case ControlKind::DefaultButton: EXPECT_EQ(kind, "DEFPUSHBUTTON"); break;
        case ControlKind::Button: EXPECT_EQ(kind, "PUSHBUTTON"); break;
        case ControlKind::GroupBox: EXPECT_EQ(kind, "GROUPBOX"); break;
        case ControlKind::OwnerDrawnStatic:
            EXPECT_EQ(c[3], "Static");
            EXPECT_EQ(c[4], "SS_OWNERDRAW | SS_CENTERIMAGE");
            break;
        case ControlKind::Link: EXPECT_EQ(c[3], "SysLink"); break;
        }
    }
    EXPECT_EQ(seen, t.controlCount);
    EXPECT_TRUE(std::regex_search(rc, m, std::regex(R"re((\w+)\s+BITMAP\s+"banner.bmp")re")));
    EXPECT_EQ(value[m[1]], 203);
}

TEST(DialogResourceTest, BannerIs730By130At32Bits)
{
    const std::string bmp = ReadSource("resources/banner.bmp");
    ASSERT_GE(bmp.size(), 54u);
    auto le32 = [&](std::size_t at) {
        return uint32_t(uint8_t(bmp[at])) | uint32_t(uint8_t(bmp[at + 1])) << 8 |
               uint32_t(uint8_t(bmp[at + 2])) << 16 | uint32_t(uint8_t(bmp[at + 3])) << 24;
    };
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(2), bmp.size());
    EXPECT_EQ(le32(18), 730u);
    EXPECT_EQ(le32(22), 130u);
    EXPECT_EQ(uint8_t(bmp[28]), 32);
    EXPECT_EQ(le32(30), 0u) << "uncompressed";
    EXPECT_EQ(bmp.size(), 54u + 730u * 130u * 4u);
}

}  // namespace
