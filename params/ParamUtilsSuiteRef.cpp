#include "params/ParamUtilsSuiteRef.h"

#include "AEUtil/HostVersion.h"

ParamUtilsSuiteRef::ParamUtilsSuiteRef(PF_InData* in_data) : basic(in_data->pica_basicP) {
    const int32 wanted = HostVersionCode(in_data) < 110 ? kPFParamUtilsSuiteVersion1
                                                        : kPFParamUtilsSuiteVersion3;
    const void* acquired = nullptr;
    if (basic == nullptr ||
        basic->AcquireSuite(kPFParamUtilsSuite, wanted, &acquired) != kSPNoError ||
        acquired == nullptr) {
        throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);
    }
    suite = acquired;
    name = kPFParamUtilsSuite;
    version = wanted;
    if (version == kPFParamUtilsSuiteVersion3) {
        procs.v3 = *static_cast<const PF_ParamUtilsSuite3*>(suite);
    } else {
        procs.v2 = *static_cast<const PF_ParamUtilsSuite1*>(suite);
    }
}

ParamUtilsSuiteRef::~ParamUtilsSuiteRef() {
    if (suite != nullptr) {
        basic->ReleaseSuite(name.c_str(), version);
        suite = nullptr;
    }
}

PF_Err ParamUtilsSuiteRef::UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                                         const PF_ParamDef* def) const {
    return version == kPFParamUtilsSuiteVersion3
               ? procs.v3.PF_UpdateParamUI(effect_ref, index, def)
               : procs.v2.PF_UpdateParamUI(effect_ref, index, def);
}
