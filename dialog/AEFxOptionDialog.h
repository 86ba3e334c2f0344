// The effect's options dialog: store the current values as defaults, restore the built-in
// defaults, open the online manual.  End codes: 0 nothing to do, 1 save, 2 restore.
#pragma once
#include "dialog/DialogBase.h"

namespace FxOptionDlg {

using torvaDlg::DlgBitmap;
using torvaDlg::DlgDrawItem;
using torvaDlg::DlgModule;
using torvaDlg::DlgNotifyHeader;
using torvaDlg::DlgResult;
using torvaDlg::DlgWindow;

// End codes of the dialog.
constexpr DlgResult kEndNothing = 0;
constexpr DlgResult kEndSaveDefaults = 1;
constexpr DlgResult kEndRestoreDefaults = 2;

class AEFxOptionDialog : public torvaDlg::DialogBase {
public:
    // `title` and `manualAddress` are cut to 255 characters; `language` is 0 (Japanese) or
    // 1 (English).  Loads the banner bitmap from `module`.
    AEFxOptionDialog(DlgModule module, DlgWindow owner, int templateId, const char* title,
                     const char* manualAddress, bool defaultsAvailable, int language);
    ~AEFxOptionDialog() override;

    // 0 instead of -1 when the dialog cannot be created.
    DlgResult DoModal() override;
    DlgResult OnInitDialog(DlgWindow window, DlgWindow focus) override;
    DlgResult OnCommand(DlgWindow window, int code, int id, DlgWindow control) override;
    DlgResult OnNotify(DlgWindow window, int id, DlgNotifyHeader* header) override;
    DlgResult OnDrawItem(DlgWindow window, int id, DlgDrawItem* item) override;

private:
    char title_[256];
    char manualAddress_[256];
    unsigned char defaultsAvailable_;
    int language_;
    DlgBitmap banner_;
};

}  // namespace FxOptionDlg
