// The framework's default answers to the two parameter-UI commands: the effect's UI rules.
#include "AEUtil/BaseFilter.h"
#include "effect/ParamUIState.h"

PF_Err BaseFilter::UserChangedParam(PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef*, void* extra)
{
    // The host names the changed parameter in its extra data.
    const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (!changed) return PF_Err_BAD_CALLBACK_PARAM;
    return ::UserChangedParam(in_data, out_data, params, changed->param_index);
}

PF_Err BaseFilter::UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data,
                                  PF_ParamDef* params[], PF_LayerDef*)
{
    return ::UpdateParamsUI(in_data, out_data, params);
}
