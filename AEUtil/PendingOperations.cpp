// PLACEHOLDERS for operations whose owners have not delivered yet, so that the library links.
// Each owner deletes the definitions below when the real one lands; this file goes when it is
// empty.  None of these does any work.
#include "AEUtil/BaseFilter.h"
#include "AEUtil/EffectHooks.h"
#include "effect/CustomFilter.h"

// ---- parameter UI state -----------------------------------------------------------------------
PF_Err BaseFilter::UserChangedParam(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                    PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                    void* /*extra*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::UpdateParamsUI(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                  PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}

// ---- options dialog -----------------------------------------------------------------------------
PF_Err RunOptionsDialog(PF_InData* /*in_data*/, PF_ParamDef* /*params*/[]) {
    return PF_Err_NONE;
}
