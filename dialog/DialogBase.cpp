#include "dialog/DialogBase.h"
#include <map>
#include "dialog/DialogPlatform.h"

namespace torvaDlg {

namespace {

// Window to object, for as long as the dialog's window exists.  Used only from the host's
// user-interface thread.
std::map<DlgWindow, DialogBase*>& Registry()
{
    static std::map<DlgWindow, DialogBase*> registry;
    return registry;
}

unsigned LowWord(DlgWParam w) { return static_cast<unsigned>(w & 0xFFFF); }
unsigned HighWord(DlgWParam w) { return static_cast<unsigned>((w >> 16) & 0xFFFF); }

DlgResult Route(DlgWindow window, DlgMessage message, DlgWParam wparam, DlgLParam lparam)
{
    DialogBase* dialog = nullptr;
    if (message == kMsgInitDialog) {
        dialog = reinterpret_cast<DialogBase*>(lparam);
        if (!dialog) return 0;
        RegisterDialog(window, dialog);
        dialog->AttachWindow(window);
    } else {
        dialog = FindDialog(window);
        if (message == kMsgDestroy) UnregisterDialog(window);
    }
    if (!dialog) return 0;

    if (DlgResult handled = dialog->PreDispatch(window, message, wparam, lparam)) return handled;

    switch (message) {
    case kMsgDestroy:
        return dialog->OnDestroy(window);
    case kMsgPaint:
        return dialog->OnPaint(window);
    case kMsgClose:
        return dialog->OnClose(window);
    case kMsgDrawItem:
        return dialog->OnDrawItem(window, static_cast<int>(wparam),
                                  reinterpret_cast<DlgDrawItem*>(lparam));
    case kMsgNotify:
        return dialog->OnNotify(window, static_cast<int>(wparam),
                                reinterpret_cast<DlgNotifyHeader*>(lparam));
    case kMsgInitDialog:
        return dialog->OnInitDialog(window, reinterpret_cast<DlgWindow>(wparam));
    case kMsgCommand:
        return dialog->OnCommand(window, static_cast<int>(HighWord(wparam)),
                                 static_cast<int>(LowWord(wparam)),
                                 reinterpret_cast<DlgWindow>(lparam));
    default:
        if (message >= kMsgUserFirst && message <= kMsgUserLast)
            return dialog->OnUserMessage(window, message, wparam, lparam);
        return 0;
    }
}

}  // namespace

DlgResult TORVA_DLG_CALLBACK DialogProc(DlgWindow window, DlgMessage message, DlgWParam wparam,
                                        DlgLParam lparam)
{
    // The window system calls this: nothing may be thrown back into it.  A handler that
    // fails ends its dialog with 0, the answer that changes nothing.
    try {
        return Route(window, message, wparam, lparam);
    } catch (...) {
    }
    try {
        if (message != kMsgDestroy) {
            if (DialogBase* dialog = FindDialog(window)) dialog->EndModal(window, 0);
        }
    } catch (...) {
    }
    return 0;
}

DialogBase::DialogBase(DlgModule module, DlgWindow owner, int templateId)
    : module_(module), owner_(owner), templateId_(templateId)
{
}

DialogBase::~DialogBase()
{
    // A dialog object never outlives its window; should it, the registry must not keep it.
    if (window_ && FindDialog(window_) == this) UnregisterDialog(window_);
}

DlgResult DialogBase::DoModal()
{
    return platform::RunModalDialog(module_, templateId_, owner_,
                                    reinterpret_cast<DlgLParam>(this));
}

DlgResult DialogBase::PreDispatch(DlgWindow, DlgMessage, DlgWParam, DlgLParam) { return 0; }
DlgResult DialogBase::OnInitDialog(DlgWindow, DlgWindow) { return 0; }
DlgResult DialogBase::OnCommand(DlgWindow, int, int, DlgWindow) { return 0; }
DlgResult DialogBase::OnUserMessage(DlgWindow, DlgMessage, DlgWParam, DlgLParam) { return 0; }
DlgResult DialogBase::OnNotify(DlgWindow, int, DlgNotifyHeader*) { return 0; }
DlgResult DialogBase::OnPaint(DlgWindow) { return 0; }
DlgResult DialogBase::OnDrawItem(DlgWindow, int, DlgDrawItem*) { return 0; }

DlgResult DialogBase::OnClose(DlgWindow window)
{
    EndModal(window, 0);
    return 1;
}

DlgResult DialogBase::OnDestroy(DlgWindow) { return 0; }

void CenteredPosition(const DlgRect& reference, long width, long height, long& x, long& y)
{
    // The least distance of the dialog's top-left corner from the reference's.
    constexpr long kMinInset = 32;
    x = (reference.left + reference.right - width) / 2;
    y = (reference.top + reference.bottom - height) / 2;
    if (x < reference.left + kMinInset) x = reference.left + kMinInset;
    if (y < reference.top + kMinInset) y = reference.top + kMinInset;
}

void DialogBase::CenterOnOwner(DlgWindow window)
{
    DlgRect self{};
    if (!platform::WindowRectOf(window, self)) return;
    DlgRect reference{};
    DlgWindow parent = platform::ParentOf(window);
    const bool haveReference = parent ? platform::WindowRectOf(parent, reference)
                                      : platform::CursorMonitorRect(reference);
    if (!haveReference) return;
    const long width = self.right - self.left;
    const long height = self.bottom - self.top;
    long x = 0, y = 0;
    CenteredPosition(reference, width, height, x, y);
    platform::MoveWindowTo(window, static_cast<int>(x), static_cast<int>(y),
                           static_cast<int>(width), static_cast<int>(height));
}

void DialogBase::SetText(DlgWindow window, const std::string& text)
{
    platform::SetWindowTextOf(window, text.c_str());
}

void DialogBase::SetText(DlgWindow window, const char* text)
{
    platform::SetWindowTextOf(window, text ? text : "");
}

void DialogBase::EndModal(DlgWindow window, DlgResult result)
{
    platform::EndModalDialog(window, result);
}

void RegisterDialog(DlgWindow window, DialogBase* dialog) { Registry()[window] = dialog; }

DialogBase* FindDialog(DlgWindow window)
{
    auto& registry = Registry();
    auto it = registry.find(window);
    return it == registry.end() ? nullptr : it->second;
}

void UnregisterDialog(DlgWindow window) { Registry().erase(window); }

std::size_t RegisteredDialogCount() { return Registry().size(); }

}  // namespace torvaDlg

void ClearDialogRegistry() { torvaDlg::Registry().clear(); }
