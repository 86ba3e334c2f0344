// The effect's library, loaded from a path as the real host loads it (dlopen, or LoadLibrary
// on Windows), and its exported EntryPointFunc.
#pragma once
#include <string>
#include "AEUtil/HostApi.h"

namespace tonedot {

// The exported entry point's type: the SDK declares the function each effect defines, but no
// type for a pointer to it.
using EntryPointFn = PF_Err (*)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                PF_ParamDef* params[], PF_LayerDef* output, void* extra);

class EffectLibrary {
public:
    // Loads the library; Ok() tells whether that and the entry point lookup worked.
    explicit EffectLibrary(const std::string& path);
    ~EffectLibrary();
    EffectLibrary(const EffectLibrary&) = delete;
    EffectLibrary& operator=(const EffectLibrary&) = delete;

    bool Ok() const { return entry_ != nullptr; }
    const std::string& Error() const { return error_; }
    EntryPointFn Entry() const { return entry_; }
    // Looks up any exported symbol (tests use it to show that nothing else is exported).
    void* Symbol(const char* name) const;

private:
    void* module_ = nullptr;
    EntryPointFn entry_ = nullptr;
    std::string error_;
};

}  // namespace tonedot
