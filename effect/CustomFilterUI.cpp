// CustomFilter's operations for the user interface: the parameter list, the UI rules and the
// options dialog.  Kept apart from the render side: the window-system headers the dialog
// brings in on Windows declare names the renderer uses too (FillPath).
#include "dialog/DialogBase.h"
#include "dialog/OptionsDialogCommand.h"
#include "effect/CustomFilter.h"
#include "effect/ParamTable.h"
#include "effect/ParamUIState.h"
#include "render/layout/KeptBlocks.h"

CustomFilter::~CustomFilter() {
    ClearDialogRegistry();
    Render::ReleaseKeptBlocks();
}

void CustomFilter::CreateParams(PF_InData* in_data) { BuildParamList(in_data); }

PF_Err CustomFilter::RunOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]) {
    return FxOptionDlg::ShowOptionsDialog(in_data, params);
}

PF_Err CustomFilter::UserChangedParam(PF_InData* in_data, PF_OutData* out_data,
                                      PF_ParamDef* params[], PF_LayerDef* /*output*/,
                                      void* extra) {
    // The host names the changed parameter in its extra data.
    const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (!changed) return PF_Err_BAD_CALLBACK_PARAM;
    return ConvertDotDistances(in_data, out_data, params, changed->param_index);
}

PF_Err CustomFilter::UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* /*output*/) {
    return ApplyParamUIRules(in_data, out_data, params);
}
