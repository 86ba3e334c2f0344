// Holds the host's "PF Param Utils Suite" for one command: version 2 on hosts older than
// effect API 13.2, version 3 from then on.  Construction acquires the suite (throwing the
// integer PF_Err_BAD_CALLBACK_PARAM when the host refuses it), destruction releases it.
#pragma once
#include <string>

#include "AEUtil/HostApi.h"

namespace Params {

class ParamUtilsSuiteRef {
public:
    explicit ParamUtilsSuiteRef(PF_InData* in_data);
    ~ParamUtilsSuiteRef();
    ParamUtilsSuiteRef(const ParamUtilsSuiteRef&) = delete;
    ParamUtilsSuiteRef& operator=(const ParamUtilsSuiteRef&) = delete;

    // The suite's PF_UpdateParamUI.
    PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                         const PF_ParamDef* def) const;

    int32 Version() const { return version_; }

private:
    SPBasicSuite* basic_ = nullptr;
    const void* suite_ = nullptr;
    std::string name_;
    int32 version_ = 0;
    union {
        PF_ParamUtilsSuite1 v2;
        PF_ParamUtilsSuite3 v3;
    } procs_{};
};

}  // namespace Params
