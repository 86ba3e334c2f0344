// The dialog backend where there is no Win32: windows of our own built from the dialog
// templates, answered by a script or by the user at a terminal.  Messages reach the
// dialog through DialogProc exactly as the window system would send them.
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "dialog/DialogPlatform.h"
#include "dialog/OptionDialogTemplate.h"
#include "dialog/PosixDialogDriver.h"

extern char** environ;

namespace torvaDlg {

struct PosixWindow {
    int id = 0;
    ControlKind kind = ControlKind::Button;
    bool isDialog = false;
    std::string text;
    bool enabled = true;
    bool shown = true;
    DlgRect rect{};
    PosixWindow* parent = nullptr;  // a dialog's owner, a control's dialog
    std::vector<std::unique_ptr<PosixWindow>> controls;
    bool ended = false;
    DlgResult result = 0;
};

namespace {

struct BackendState {
    std::set<PosixWindow*> windows;  // every window that exists
    std::vector<PosixWindow*> topLevel;
    std::vector<std::unique_ptr<PosixWindow>> ownedTopLevel;
    bool haveScript = false;
    std::string script;
    std::vector<std::string> transcript;
    DlgRect screen{0, 0, 1920, 1080};
    int linkRegistrations = 0;
};

BackendState& State()
{
    static BackendState state;
    return state;
}

bool Known(DlgWindow w) { return w && State().windows.count(w) != 0; }

void Note(const std::string& line)
{
    State().transcript.push_back(line);
    if (const char* path = std::getenv("TONEDOT_DIALOG_TRANSCRIPT")) {
        if (*path) {
            if (std::FILE* f = std::fopen(path, "a")) {
                std::fprintf(f, "%s\n", line.c_str());
                std::fclose(f);
            }
        }
    }
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Dialog units to pixels for the template font (9 point).
int UnitsToPixelsX(int units) { return units * 3 / 2; }
int UnitsToPixelsY(int units) { return units * 13 / 8; }

// Texts are stored as the Windows build shows them (Japanese as Shift-JIS); a terminal
// wants UTF-8.
std::string ForTerminal(const std::string& text)
{
    bool ascii = true;
    for (unsigned char c : text) ascii = ascii && c < 0x80;
    std::string shown;
    if (ascii) {
        shown = text;
    } else {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) return text;
        std::vector<char> in(text.begin(), text.end());
        std::vector<char> out(text.size() * 4 + 4);
        char* inp = in.data();
        char* outp = out.data();
        std::size_t inLeft = in.size(), outLeft = out.size();
        const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1);
        iconv_close(cd);
        shown = ok ? std::string(out.data(), outp) : text;
    }
    // A link's text marks its link part with <a>...</a>; a terminal shows the words.
    for (const char* tag : {"<a>", "</a>"}) {
        for (std::size_t at; (at = shown.find(tag)) != std::string::npos;)
            shown.erase(at, std::strlen(tag));
    }
    return shown;
}

struct Step {
    enum Kind { Click, Escape, Close, Fail } kind;
    int id;
};

// The answers for one dialog run.
class Driver {
public:
    virtual ~Driver() = default;
    // Called whenever the dialog waits for the user; false when the dialog should close.
    virtual bool Next(PosixWindow& dialog, Step& step) = 0;
};

std::deque<Step> ParseScript(const std::string& script, bool& valid)
{
    std::deque<Step> steps;
    std::string token;
    std::istringstream in(script);
    valid = true;
    auto flush = [&] {
        if (token.empty()) return;
        if (token == "esc") steps.push_back({Step::Escape, 0});
        else if (token == "close") steps.push_back({Step::Close, 0});
        else if (token == "fail") steps.push_back({Step::Fail, 0});
        else {
            char* end = nullptr;
            const long id = std::strtol(token.c_str(), &end, 10);
            if (end && *end == '\0' && id > 0 && id <= 0xFFFF) steps.push_back({Step::Click, int(id)});
            else valid = false;
        }
        token.clear();
    };
    for (char c; in.get(c);) {
        if (c == ',' || std::isspace(static_cast<unsigned char>(c))) flush();
        else token += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    flush();
    return steps;
}

class ScriptDriver : public Driver {
public:
    explicit ScriptDriver(std::deque<Step> steps) : steps_(std::move(steps)) {}
    bool FailsAtOnce() const { return !steps_.empty() && steps_.front().kind == Step::Fail; }
    bool Next(PosixWindow&, Step& step) override
    {
        if (steps_.empty()) return false;
        step = steps_.front();
        steps_.pop_front();
        return true;
    }

private:
    std::deque<Step> steps_;
};

class TerminalDriver : public Driver {
public:
    bool Next(PosixWindow& dialog, Step& step) override
    {
        std::ostream& out = std::cout;
        out << "\n== " << ForTerminal(dialog.text) << " ==\n";
        // The default button (OK) is listed last, under the choices it closes.
        std::vector<const PosixWindow*> shown;
        for (const auto& c : dialog.controls)
            if (c->shown && c->kind != ControlKind::DefaultButton) shown.push_back(c.get());
        for (const auto& c : dialog.controls)
            if (c->shown && c->kind == ControlKind::DefaultButton) shown.push_back(c.get());
        for (const PosixWindow* c : shown) {
            switch (c->kind) {
            case ControlKind::GroupBox:
                out << ForTerminal(c->text) << "\n";
                break;
            case ControlKind::Button:
            case ControlKind::DefaultButton:
            case ControlKind::Link:
                out << "  [" << c->id << "] " << ForTerminal(c->text)
                    << (c->enabled ? "" : "  (not available)") << "\n";
                break;
            case ControlKind::OwnerDrawnStatic:
                break;
            }
        }
        out << "Choose a number (Enter or q closes): " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return false;
        bool valid = false;
        std::deque<Step> steps = ParseScript(line, valid);
        if (!valid || steps.empty() || line == "q") {
            step = {Step::Close, 0};
            return true;
        }
        step = steps.front();
        return true;
    }
};

std::unique_ptr<Driver> MakeDriver(bool& failsAtOnce)
{
    failsAtOnce = false;
    std::string script;
    bool haveScript = State().haveScript;
    if (haveScript) {
        script = State().script;
    } else if (const char* env = std::getenv("TONEDOT_DIALOG_SCRIPT")) {
        script = env;
        haveScript = true;
    }
    if (haveScript) {
        bool valid = false;
        auto driver = std::make_unique<ScriptDriver>(ParseScript(script, valid));
        failsAtOnce = !valid || driver->FailsAtOnce();
        return driver;
    }
    if (isatty(STDIN_FILENO)) return std::make_unique<TerminalDriver>();
    return nullptr;
}

bool Scripted()
{
    return State().haveScript || std::getenv("TONEDOT_DIALOG_SCRIPT") != nullptr;
}

const DialogTemplate* FindTemplate(int id)
{
    return id == kOptionDialogTemplate.id ? &kOptionDialogTemplate : nullptr;
}

std::unique_ptr<PosixWindow> BuildDialog(const DialogTemplate& t, DlgWindow owner)
{
    auto dialog = std::make_unique<PosixWindow>();
    dialog->isDialog = true;
    dialog->id = t.id;
    dialog->text = t.caption;
    dialog->parent = Known(owner) ? owner : nullptr;
    const DlgRect base = dialog->parent ? dialog->parent->rect : State().screen;
    dialog->rect.left = base.left + UnitsToPixelsX(t.x);
    dialog->rect.top = base.top + UnitsToPixelsY(t.y);
    dialog->rect.right = dialog->rect.left + UnitsToPixelsX(t.width);
    dialog->rect.bottom = dialog->rect.top + UnitsToPixelsY(t.height);
    for (int i = 0; i < t.controlCount; ++i) {
        const ControlTemplate& c = t.controls[i];
        auto control = std::make_unique<PosixWindow>();
        control->id = c.id;
        control->kind = c.kind;
        control->text = c.text;
        control->parent = dialog.get();
        control->rect.left = dialog->rect.left + UnitsToPixelsX(c.x);
        control->rect.top = dialog->rect.top + UnitsToPixelsY(c.y);
        control->rect.right = control->rect.left + UnitsToPixelsX(c.width);
        control->rect.bottom = control->rect.top + UnitsToPixelsY(c.height);
        State().windows.insert(control.get());
        dialog->controls.push_back(std::move(control));
    }
    State().windows.insert(dialog.get());
    return dialog;
}

void ForgetDialog(PosixWindow* dialog)
{
    for (auto& c : dialog->controls) State().windows.erase(c.get());
    State().windows.erase(dialog);
}

void NoteDialog(const PosixWindow& d)
{
    std::ostringstream line;
    line << "dialog " << d.id << " caption " << Quoted(d.text) << " at " << d.rect.left << ","
         << d.rect.top << " size " << (d.rect.right - d.rect.left) << ","
         << (d.rect.bottom - d.rect.top);
    Note(line.str());
    for (const auto& c : d.controls) {
        std::ostringstream l;
        l << "control " << c->id << " " << Quoted(c->text) << " "
          << (c->enabled ? "enabled" : "disabled") << " " << (c->shown ? "shown" : "hidden");
        Note(l.str());
    }
}

PosixWindow* ControlOf(PosixWindow& dialog, int id)
{
    for (auto& c : dialog.controls)
        if (c->id == id) return c.get();
    return nullptr;
}

void Deliver(PosixWindow& dialog, const Step& step)
{
    switch (step.kind) {
    case Step::Escape:
        Note("esc");
        DialogProc(&dialog, kMsgCommand, DlgWParam(kIdCancel), 0);
        return;
    case Step::Close:
    case Step::Fail:
        Note("close");
        DialogProc(&dialog, kMsgClose, 0, 0);
        return;
    case Step::Click:
        break;
    }
    PosixWindow* control = ControlOf(dialog, step.id);
    if (!control || !control->enabled || !control->shown ||
        control->kind == ControlKind::GroupBox || control->kind == ControlKind::OwnerDrawnStatic) {
        Note("click " + std::to_string(step.id) + " ignored");
        return;
    }
    Note("click " + std::to_string(step.id));
    if (control->kind == ControlKind::Link) {
        DlgNotifyHeader header{control, std::uintptr_t(control->id), kNotifyClick};
        DialogProc(&dialog, kMsgNotify, DlgWParam(control->id), reinterpret_cast<DlgLParam>(&header));
    } else {
        const DlgWParam wparam = (DlgWParam(kButtonClicked) << 16) | DlgWParam(control->id);
        DialogProc(&dialog, kMsgCommand, wparam, reinterpret_cast<DlgLParam>(control));
    }
}

// The owner-drawn controls are drawn once when the dialog appears.
void PaintDialog(PosixWindow& dialog)
{
    DialogProc(&dialog, kMsgPaint, 0, 0);
    for (auto& c : dialog.controls) {
        if (c->kind != ControlKind::OwnerDrawnStatic || !c->shown) continue;
        DlgDrawItem item{};
        item.CtlID = static_cast<unsigned>(c->id);
        item.hwndItem = c.get();
        item.rcItem = DlgRect{0, 0, c->rect.right - c->rect.left, c->rect.bottom - c->rect.top};
        DialogProc(&dialog, kMsgDrawItem, DlgWParam(c->id), reinterpret_cast<DlgLParam>(&item));
    }
}

}  // namespace

namespace platform {

DlgResult RunModalDialog(DlgModule, int templateId, DlgWindow owner, DlgLParam param)
{
    const DialogTemplate* t = FindTemplate(templateId);
    if (!t) return -1;
    bool failsAtOnce = false;
    std::unique_ptr<Driver> driver = MakeDriver(failsAtOnce);
    if (!driver || failsAtOnce) {
        Note("dialog " + std::to_string(templateId) + " cannot be created");
        return -1;
    }

    std::unique_ptr<PosixWindow> dialog = BuildDialog(*t, owner);
    PosixWindow* focus = dialog->controls.empty() ? nullptr : dialog->controls.front().get();
    DialogProc(dialog.get(), kMsgInitDialog, reinterpret_cast<DlgWParam>(focus), param);
    if (!dialog->ended) {
        NoteDialog(*dialog);
        PaintDialog(*dialog);
    }
    Step step{Step::Close, 0};
    while (!dialog->ended) {
        if (!driver->Next(*dialog, step)) step = {Step::Close, 0};
        Deliver(*dialog, step);
        if (!dialog->ended && step.kind == Step::Close) {
            // A dialog that refuses its close box: nothing more can answer it.
            dialog->ended = true;
            dialog->result = 0;
        }
    }
    DialogProc(dialog.get(), kMsgDestroy, 0, 0);
    ForgetDialog(dialog.get());
    Note("end " + std::to_string(static_cast<long long>(dialog->result)));
    return dialog->result;
}

void EndModalDialog(DlgWindow window, DlgResult result)
{
    if (!Known(window) || !window->isDialog) return;
    window->ended = true;
    window->result = result;
}

void SetWindowTextOf(DlgWindow window, const char* text)
{
    if (Known(window)) window->text = text ? text : "";
}

DlgWindow DialogItem(DlgWindow dialog, int id)
{
    return Known(dialog) ? ControlOf(*dialog, id) : nullptr;
}

void SetWindowEnabled(DlgWindow window, bool enabled)
{
    if (Known(window)) window->enabled = enabled;
}

void SetWindowShown(DlgWindow window, bool shown)
{
    if (Known(window)) window->shown = shown;
}

DlgWindow ParentOf(DlgWindow window) { return Known(window) ? window->parent : nullptr; }

bool WindowRectOf(DlgWindow window, DlgRect& rect)
{
    if (!Known(window)) return false;
    rect = window->rect;
    return true;
}

bool CursorMonitorRect(DlgRect& rect)
{
    rect = State().screen;
    return true;
}

void MoveWindowTo(DlgWindow window, int x, int y, int width, int height)
{
    if (!Known(window)) return;
    const long dx = x - window->rect.left, dy = y - window->rect.top;
    window->rect = DlgRect{x, y, long(x) + width, long(y) + height};
    for (auto& c : window->controls) {
        c->rect.left += dx;
        c->rect.right += dx;
        c->rect.top += dy;
        c->rect.bottom += dy;
    }
}

std::vector<DlgWindow> VisibleEnabledProcessWindows()
{
    std::vector<DlgWindow> found;
    for (PosixWindow* w : State().topLevel)
        if (w->shown && w->enabled) found.push_back(w);
    return found;
}

void RegisterLinkControlClass() { ++State().linkRegistrations; }

void OpenAddress(const char* address)
{
    const std::string url = address ? address : "";
    Note("open " + Quoted(url));
    if (url.empty()) return;
    // Scripted runs are tests and tools: they are told the address, nothing is launched.
    const bool desktop = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!Scripted() && desktop) {
        // sh starts the opener in the background and ends at once, so nothing is left to
        // wait for; the address is passed as an argument, never through the shell's parser.
        const char* argv[] = {"sh", "-c",
                              "command -v xdg-open >/dev/null 2>&1 || exit 127; "
                              "xdg-open \"$1\" >/dev/null 2>&1 &",
                              "sh", url.c_str(), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
            int status = 0;
            if (waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return;
        }
    }
    std::cout << "Online manual: " << url << std::endl;
}

DlgBitmap LoadBitmapResource(DlgModule, int)
{
    // Bitmap resources live in the Windows build; a terminal cannot show them.
    return nullptr;
}

void DeleteBitmap(DlgBitmap) {}

void DrawBitmapStretched(DlgBitmap, const DlgDrawItem&) {}

}  // namespace platform

namespace posix {

void SetDialogScript(const std::string& script)
{
    State().haveScript = true;
    State().script = script;
}

void ClearDialogScript()
{
    State().haveScript = false;
    State().script.clear();
}

std::vector<std::string> TakeDialogTranscript()
{
    std::vector<std::string> lines;
    lines.swap(State().transcript);
    return lines;
}

DlgWindow CreateTopLevelWindow(const DlgRect& rect, bool visible, bool enabled)
{
    auto w = std::make_unique<PosixWindow>();
    w->rect = rect;
    w->shown = visible;
    w->enabled = enabled;
    PosixWindow* raw = w.get();
    State().windows.insert(raw);
    State().topLevel.push_back(raw);
    State().ownedTopLevel.push_back(std::move(w));
    return raw;
}

bool WindowEnabled(DlgWindow window) { return Known(window) && window->enabled; }

void DestroyTopLevelWindow(DlgWindow window)
{
    auto& s = State();
    s.windows.erase(window);
    for (auto it = s.topLevel.begin(); it != s.topLevel.end(); ++it)
        if (*it == window) {
            s.topLevel.erase(it);
            break;
        }
    for (auto it = s.ownedTopLevel.begin(); it != s.ownedTopLevel.end(); ++it)
        if (it->get() == window) {
            s.ownedTopLevel.erase(it);
            break;
        }
}

void SetCursorMonitorRect(const DlgRect& rect) { State().screen = rect; }

int LinkControlClassRegistrations() { return State().linkRegistrations; }

}  // namespace posix
}  // namespace torvaDlg
