// Keeps the effect's controls in step with the user's choices: which parameters can be
// edited (PF_Cmd_UPDATE_PARAMS_UI) and the dot distances when "Distance Between" switches
// between "Dots" and "Centers" (PF_Cmd_USER_CHANGED_PARAM).
#pragma once
#include <vector>
#include "AEUtil/HostApi.h"

namespace Params {
class ParamUtilsSuiteRef;
}

// For each host index in order: a copy of params[index] with PF_PUI_DISABLED cleared
// (enabled) or set, handed to PF_UpdateParamUI.  The host's answer is not examined.
// Indices outside 1 .. in_data->num_params - 1 are skipped.
void SetParamsEnabled(Params::ParamUtilsSuiteRef& suite, PF_InData* in_data, PF_ParamDef* params[],
                      bool enabled, const std::vector<A_long>& indices);

// Enables and disables the controls by the effect's rules and remembers the current
// "Distance Between" choice in the sequence data the first time.
PF_Err ApplyParamUIRules(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

// Converts "Dot Distance X" and "Dot Distance Y" when the user switches "Distance Between";
// `changedIndex` is the host index the host reports as changed.
PF_Err ConvertDotDistances(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           A_long changedIndex);
