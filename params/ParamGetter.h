// Where descriptors read parameter values from.  A getter either checks parameters out
// from the host at the current time (rendering) or reads the parameter array the host
// handed to the current command (options dialog).  Getters are stack objects of the caller
// and hold no host resources themselves.
#pragma once
#include "AEUtil/HostApi.h"

namespace Params {

class ParamGetter {
public:
    // Fills `out` with the definition and value of host parameter `index`.
    virtual PF_Err GetParam(A_long index, PF_ParamDef* out) = 0;
    // Gives back what GetParam obtained.
    virtual PF_Err ReleaseParam(PF_ParamDef* def) = 0;
    // True when descriptors must copy the value out of a temporary and keep nothing.
    virtual bool IsCopyOnly() = 0;
    // False when the parameter's UI is disabled.
    virtual bool IsEnabled(A_long index) = 0;

protected:
    ~ParamGetter() = default;
};

// Checks parameters out from the host at in_data's current time.
class GetParamByCheckout : public ParamGetter {
public:
    // `params` is the command's parameter array (may be null: every parameter counts as
    // enabled); `copyOnly` selects copy mode.
    GetParamByCheckout(PF_InData* in_data, PF_ParamDef** params, bool copyOnly)
        : in_data_(in_data), params_(params), copyOnly_(copyOnly) {}

    PF_Err GetParam(A_long index, PF_ParamDef* out) override;
    PF_Err ReleaseParam(PF_ParamDef* def) override;
    bool IsCopyOnly() override { return copyOnly_; }
    bool IsEnabled(A_long index) override;

private:
    PF_InData* in_data_;
    PF_ParamDef** params_;
    bool copyOnly_;
};

// Reads the parameter array the host handed to the current command.
class GetParamFromArray : public ParamGetter {
public:
    explicit GetParamFromArray(PF_ParamDef** params) : params_(params) {}

    PF_Err GetParam(A_long index, PF_ParamDef* out) override;
    PF_Err ReleaseParam(PF_ParamDef*) override { return PF_Err_NONE; }
    bool IsCopyOnly() override { return false; }
    bool IsEnabled(A_long index) override;

private:
    PF_ParamDef** params_;
};

}  // namespace Params
