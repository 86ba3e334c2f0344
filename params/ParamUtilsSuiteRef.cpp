#include "params/ParamUtilsSuiteRef.h"

#include "AEUtil/HostVersion.h"

namespace Params {

ParamUtilsSuiteRef::ParamUtilsSuiteRef(PF_InData* in_data) : basic_(in_data->pica_basicP) {
    const int32 wanted = HostVersionCode(in_data) < 110 ? kPFParamUtilsSuiteVersion1
                                                        : kPFParamUtilsSuiteVersion3;
    const void* acquired = nullptr;
    if (basic_ == nullptr ||
        basic_->AcquireSuite(kPFParamUtilsSuite, wanted, &acquired) != kSPNoError ||
        acquired == nullptr) {
        throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);
    }
    suite_ = acquired;
    name_ = kPFParamUtilsSuite;
    version_ = wanted;
    if (version_ == kPFParamUtilsSuiteVersion3) {
        procs_.v3 = *static_cast<const PF_ParamUtilsSuite3*>(suite_);
    } else {
        procs_.v2 = *static_cast<const PF_ParamUtilsSuite1*>(suite_);
    }
}

ParamUtilsSuiteRef::~ParamUtilsSuiteRef() {
    if (suite_ != nullptr) {
        basic_->ReleaseSuite(name_.c_str(), version_);
        suite_ = nullptr;
    }
}

PF_Err ParamUtilsSuiteRef::UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                                         const PF_ParamDef* def) const {
    return version_ == kPFParamUtilsSuiteVersion3
               ? procs_.v3.PF_UpdateParamUI(effect_ref, index, def)
               : procs_.v2.PF_UpdateParamUI(effect_ref, index, def);
}

}  // namespace Params
