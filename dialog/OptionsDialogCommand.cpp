// PF_Cmd_DO_DIALOG: the options dialog and the two actions it offers on the stored
// defaults.
#include <vector>
#include "AEUtil/AboutText.h"
#include "AEUtil/HostLanguage.h"
#include "AEUtil/LibraryLifetime.h"
#include "dialog/AEFxOptionDialog.h"
#include "dialog/DialogPlatform.h"
#include "dialog/OptionsDialogCommand.h"
#include "params/BaseParam.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"
#include "params/StoredDefaults.h"
#include "resources/OptionDialogIds.h"

using namespace Params;

namespace FxOptionDlg {

namespace {

// Disables the host's visible, enabled top-level windows while the dialog runs and enables
// exactly those again afterwards, also when the dialog ends by an exception.
class HostWindowsDisabled {
public:
    HostWindowsDisabled() : windows_(torvaDlg::platform::VisibleEnabledProcessWindows())
    {
        for (DlgWindow w : windows_) torvaDlg::platform::SetWindowEnabled(w, false);
    }
    ~HostWindowsDisabled()
    {
        for (DlgWindow w : windows_) torvaDlg::platform::SetWindowEnabled(w, true);
    }
    HostWindowsDisabled(const HostWindowsDisabled&) = delete;
    HostWindowsDisabled& operator=(const HostWindowsDisabled&) = delete;

private:
    std::vector<DlgWindow> windows_;
};

DlgWindow HostMainWindow(PF_InData* in_data)
{
    void* window = nullptr;
    if (in_data->utils && in_data->utils->get_platform_data &&
        in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_MAIN_WND, &window) !=
            PF_Err_NONE)
        window = nullptr;
    return static_cast<DlgWindow>(window);
}

// Writes the values in the command's parameter array to the stored-defaults file at
// `iniPath` (fetch and release passes over the array, then every descriptor's SaveDefault).
void SaveCurrentValuesAsDefaults(PF_InData* in_data, PF_ParamDef* params[], const char* iniPath)
{
    // The fetch pass reads one array entry per descriptor: the host's array must hold them.
    if (!params || !in_data || in_data->num_params < HostParamCount()) return;
    for (A_long i = 1; i < HostParamCount(); ++i)
        if (!params[i]) return;
    GetParamFromArray getter(params);
    // A fetch pass without a record leaves each descriptor's own definition holding the
    // value set in the effect's controls; SaveDefault writes that value.
    if (FetchParams(nullptr, getter) == PF_Err_NONE) ReleaseParams(getter);
    else return;
    SaveParamDefaults(in_data, iniPath);
}

// Every step of the options dialog; the dialog's end code (0 nothing, 1 saved, 2 restored).
DlgResult ShowOptionsDialogAndAct(PF_InData* in_data, PF_ParamDef* params[])
{
    const DlgWindow owner = HostMainWindow(in_data);
    const int language =
        AEUtil::IsEnglishUI(in_data) ? AEUtil::kLanguageEnglish : AEUtil::kLanguageJapanese;
    const bool available = StoredDefaultsApply(in_data);

    AEFxOptionDialog dialog(static_cast<DlgModule>(AEUtil::ModuleHandle()), owner,
                            IDD_TONEDOT_OPTIONS, GetAboutText(kAboutDialogTitle, language),
                            GetAboutText(kAboutManualUrl, language), available, language);
    DlgResult result = kEndNothing;
    {
        HostWindowsDisabled disabled;
        result = dialog.DoModal();
    }
    if (result == kEndSaveDefaults || result == kEndRestoreDefaults) {
        char iniPath[kSettingsPathSize] = {};
        if (GetSettingsPath(iniPath)) {
            CreateSettingsFolder(iniPath);
            if (result == kEndSaveDefaults) SaveCurrentValuesAsDefaults(in_data, params, iniPath);
            else DeleteStoredDefaults(iniPath);
        }
    }
    return result;
}

}  // namespace

PF_Err ShowOptionsDialog(PF_InData* in_data, PF_ParamDef* params[])
{
    if (!in_data) return PF_Err_BAD_CALLBACK_PARAM;
    // The command answers success whatever happens here; a failure only loses the action.
    try {
        ShowOptionsDialogAndAct(in_data, params);
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    return PF_Err_NONE;
}

}  // namespace FxOptionDlg
