#include "dialog/AEFxOptionDialog.h"
#include <cstring>
#include "dialog/DialogPlatform.h"
#include "dialog/DialogTexts.h"
#include "resources/OptionDialogIds.h"

namespace FxOptionDlg {

namespace platform = torvaDlg::platform;

namespace {

void CopyBounded(char (&out)[256], const char* text)
{
    out[0] = '\0';
    if (text) {
        std::strncpy(out, text, sizeof out - 1);
        out[sizeof out - 1] = '\0';
    }
}

// Registers the link control class the first time a dialog is built in this process.
void EnsureLinkControlClass()
{
    static bool registered = false;
    if (!registered) {
        platform::RegisterLinkControlClass();
        registered = true;
    }
}

}  // namespace

AEFxOptionDialog::AEFxOptionDialog(DlgModule module, DlgWindow owner, int templateId,
                                   const char* title, const char* manualAddress,
                                   bool defaultsAvailable, int language)
    : DialogBase(module, owner, templateId),
      defaultsAvailable_(defaultsAvailable ? 1 : 0),
      language_(language),
      banner_(nullptr)
{
    CopyBounded(title_, title);
    CopyBounded(manualAddress_, manualAddress);
    EnsureLinkControlClass();
    banner_ = platform::LoadBitmapResource(module, IDB_TONEDOT_BANNER);
}

AEFxOptionDialog::~AEFxOptionDialog()
{
    if (banner_) platform::DeleteBitmap(banner_);
}

DlgResult AEFxOptionDialog::DoModal()
{
    const DlgResult result = DialogBase::DoModal();
    return result == -1 ? 0 : result;
}

DlgResult AEFxOptionDialog::OnInitDialog(DlgWindow window, DlgWindow)
{
    SetText(window, title_);
    CenterOnOwner(window);
    SetText(platform::DialogItem(window, IDC_OPTIONS_GROUP), GetDialogText(kTextGroup, language_));
    DlgWindow save = platform::DialogItem(window, IDC_OPTIONS_SAVE);
    DlgWindow restore = platform::DialogItem(window, IDC_OPTIONS_RESTORE);
    SetText(save, GetDialogText(kTextSave, language_));
    SetText(restore, GetDialogText(kTextRestore, language_));
    if (!defaultsAvailable_) {
        platform::SetWindowEnabled(save, false);
        platform::SetWindowEnabled(restore, false);
    }
    DlgWindow link = platform::DialogItem(window, IDC_OPTIONS_MANUAL);
    SetText(link, GetDialogText(kTextManualLink, language_));
    if (manualAddress_[0] == '\0') {
        platform::SetWindowEnabled(link, false);
        platform::SetWindowShown(link, false);
    }
    return 1;
}

DlgResult AEFxOptionDialog::OnCommand(DlgWindow window, int, int id, DlgWindow)
{
    switch (id) {
    case torvaDlg::kIdOk:
    case torvaDlg::kIdCancel:
        EndModal(window, kEndNothing);
        return 1;
    case IDC_OPTIONS_SAVE:
        EndModal(window, kEndSaveDefaults);
        return 1;
    case IDC_OPTIONS_RESTORE:
        EndModal(window, kEndRestoreDefaults);
        return 1;
    default:
        return 0;
    }
}

DlgResult AEFxOptionDialog::OnNotify(DlgWindow, int id, DlgNotifyHeader* header)
{
    if (id == IDC_OPTIONS_MANUAL && header && header->code == torvaDlg::kNotifyClick) {
        platform::OpenAddress(manualAddress_);
        return 1;
    }
    return 0;
}

DlgResult AEFxOptionDialog::OnDrawItem(DlgWindow, int id, DlgDrawItem* item)
{
    if (id != IDC_OPTIONS_BANNER || !item) return 0;
    if (banner_) platform::DrawBitmapStretched(banner_, *item);
    return 1;
}

}  // namespace FxOptionDlg
