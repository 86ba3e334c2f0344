// A reusable modal dialog: the object behind a dialog window.  DialogProc finds the object
// of a window through the dialog registry and calls the handler for each message.
#pragma once
#include <cstddef>
#include <string>
#include "dialog/DialogTypes.h"

namespace torvaDlg {

class DialogBase {
public:
    DialogBase(DlgModule module, DlgWindow owner, int templateId);
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;
    virtual ~DialogBase();

    // Runs the dialog modally; the dialog's end code, or -1 when it cannot be created.
    virtual DlgResult DoModal();
    // Sees every message first; non-zero means handled (and is the message's answer).
    virtual DlgResult PreDispatch(DlgWindow window, DlgMessage message, DlgWParam wparam,
                                  DlgLParam lparam);
    virtual DlgResult OnInitDialog(DlgWindow window, DlgWindow focus);
    virtual DlgResult OnCommand(DlgWindow window, int code, int id, DlgWindow control);
    // Messages WM_APP (0x8000) to 0xBFFF.
    virtual DlgResult OnUserMessage(DlgWindow window, DlgMessage message, DlgWParam wparam,
                                    DlgLParam lparam);
    virtual DlgResult OnNotify(DlgWindow window, int id, DlgNotifyHeader* header);
    virtual DlgResult OnPaint(DlgWindow window);
    virtual DlgResult OnDrawItem(DlgWindow window, int id, DlgDrawItem* item);
    // Ends the dialog with 0.
    virtual DlgResult OnClose(DlgWindow window);
    virtual DlgResult OnDestroy(DlgWindow window);
    // Centres the dialog on its parent (or on the cursor's monitor), at least 32 pixels in
    // from the reference's top-left corner.
    virtual void CenterOnOwner(DlgWindow window);
    virtual void SetText(DlgWindow window, const std::string& text);
    virtual void SetText(DlgWindow window, const char* text);
    virtual void EndModal(DlgWindow window, DlgResult result);

    DlgWindow Window() const { return window_; }
    void AttachWindow(DlgWindow window) { window_ = window; }

protected:
    DlgWindow window_ = nullptr;  // set when the dialog is initialised
    DlgModule module_;
    DlgWindow owner_;
    int templateId_;
};

// Where a dialog of `width` x `height` goes over `reference`: centred (integer division),
// then at least 32 in from the reference's left and top.
void CenteredPosition(const DlgRect& reference, long width, long height, long& x, long& y);

// The dialog registry: dialog window to dialog object.  Used by DialogProc.
void RegisterDialog(DlgWindow window, DialogBase* dialog);
DialogBase* FindDialog(DlgWindow window);
void UnregisterDialog(DlgWindow window);
std::size_t RegisteredDialogCount();

}  // namespace torvaDlg

// Empties the dialog registry (library unload).
void ClearDialogRegistry();
