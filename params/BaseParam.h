// A parameter descriptor: one host-visible parameter, described to the host at
// PF_Cmd_PARAMS_SETUP, fetched into the frame's value record and saved as a user default.
// Descriptors are created once by the parameter-list builder and owned by the registry
// (params/ParamRegistry.h); they are deleted through the base.
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"
#include "params/ParamGetter.h"

namespace Params {

class BaseParam {
public:
    // Takes `index` from the global index counter (and advances it); copies `templateDef`
    // into `def`, or zeroes `def` when it is null.  `name` must be a static string.
    BaseParam(int32_t recordOffset, int32_t recordSize, const char* name,
              const PF_ParamDef* templateDef);
    BaseParam(const BaseParam&) = delete;
    BaseParam& operator=(const BaseParam&) = delete;

    virtual ~BaseParam();
    // Copies the parameter's current value into the effect's value record `record` (bytes
    // the framework does not interpret; may be null) at recordOffset.
    virtual PF_Err Fetch(void* record, ParamGetter& getter);
    // Gives back what a keeping-mode Fetch checked out.
    virtual PF_Err Release(ParamGetter& getter);
    // Completes `def` (default from the stored-defaults file at `iniPath` when that applies)
    // and appends the parameter to the host's list.
    virtual PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) = 0;
    // Writes the value held in `def` to the stored-defaults file.  Nothing by default.
    virtual void SaveDefault(PF_InData* in_data, const char* iniPath);

    const char* name;
    PF_ParamDef def;
    A_long id;
    A_long index;
    int32_t recordOffset;
    int32_t recordSize;

protected:
    // True while `def` holds a keeping-mode checkout that Release has not yet given back.
    bool held_ = false;

    // The first steps of every AddToHost: kind, name (via the host's string copy) and id.
    void BeginDef(PF_InData* in_data, PF_ParamType kind, A_long id, bool withName);
    // Appends `def` to the host's parameter list (PF_ADD_PARAM at index -1).
    PF_Err AddDef(PF_InData* in_data);
};

// The global index counter: the host index the next descriptor receives.  Index 0 is the
// host's input layer, so the counter starts at 1; after the build it equals the number of
// host parameters.
A_long NextParamIndex();
// Sets the counter back to 1.  Only the registry calls this, when it deletes every descriptor.
void ResetParamIndexCounter();

// Whether stored defaults apply for this host: any host other than After Effects, or After
// Effects with an effect API version above 12.11.
bool StoredDefaultsApply(const PF_InData* in_data);

}  // namespace Params
