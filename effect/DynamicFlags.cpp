// PF_Cmd_QUERY_DYNAMIC_FLAGS: the effect looks at other frames only while "Random Interval"
// re-seeds the dots over time.
#include <cstring>

#include "effect/CustomFilter.h"
#include "effect/ParamIds.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"

using namespace Params;

PF_Err CustomFilter::QueryDynamicFlags(PF_InData* in_data, PF_OutData* out_data,
                                       PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const A_long index = FindParamIndex(ParamId::RandomInterval);
    if (index == 0) {
        return PF_Err_NONE;
    }
    GetParamByCheckout getter(in_data, nullptr, true);
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    if (getter.GetParam(index, &def) != PF_Err_NONE) {
        // The value is unknown: leave the flags as they are.
        return PF_Err_NONE;
    }
    const A_long interval = def.u.sd.value;
    getter.ReleaseParam(&def);
    if (interval != 0) {
        out_data->out_flags |= PF_OutFlag_WIDE_TIME_INPUT;
    } else {
        out_data->out_flags &= ~PF_OutFlag_WIDE_TIME_INPUT;
    }
    return PF_Err_NONE;
}
