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

// ---- render plumbing (until the render path lands) ------------------------------------------------
PF_Err BaseFilter::Render(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                          PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}
PF_Err BaseFilter::SmartPreRender(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                  PF_PreRenderExtra* /*extra*/) {
    return PF_Err_NONE;
}
PF_Err BaseFilter::SmartRender(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                               PF_SmartRenderExtra* /*extra*/) {
    return PF_Err_NONE;
}
PF_Err BaseFilter::PreRenderCheckout(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                     PF_PreRenderExtra* /*extra*/, RenderRecord* /*record*/) {
    return PF_Err_NONE;
}
PF_Err BaseFilter::SmartRenderPrepare(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                      PF_SmartRenderExtra* /*extra*/, RenderRecord* /*record*/) {
    return PF_Err_NONE;
}
PF_Err CustomFilter::PreRenderCheckout(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                       PF_PreRenderExtra* /*extra*/, RenderRecord* /*record*/) {
    return PF_Err_NONE;
}
PF_Err CustomFilter::RenderByFormat(RenderRecord* /*record*/) {
    return PF_Err_UNRECOGNIZED_PARAM_TYPE;
}
