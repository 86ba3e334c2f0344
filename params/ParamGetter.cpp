#include "params/ParamGetter.h"

#include <cstring>

namespace Params {

PF_Err GetParamByCheckout::GetParam(A_long index, PF_ParamDef* out) {
    const PF_Err err = PF_CHECKOUT_PARAM(in_data_, index, in_data_->current_time,
                                         in_data_->time_step, in_data_->time_scale, out);
    if (err != PF_Err_NONE) {
        std::memset(out, 0, sizeof(*out));
    }
    return err;
}

PF_Err GetParamByCheckout::ReleaseParam(PF_ParamDef* def) {
    return PF_CHECKIN_PARAM(in_data_, def);
}

bool GetParamByCheckout::IsEnabled(A_long index) {
    if (params_ == nullptr) {
        return true;
    }
    return (params_[index]->ui_flags & PF_PUI_DISABLED) == 0;
}

PF_Err GetParamFromArray::GetParam(A_long index, PF_ParamDef* out) {
    *out = *params_[index];
    return PF_Err_NONE;
}

bool GetParamFromArray::IsEnabled(A_long index) {
    return (params_[index]->ui_flags & PF_PUI_DISABLED) == 0;
}

}  // namespace Params
