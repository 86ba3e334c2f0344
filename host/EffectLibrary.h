// The effect's library, loaded from a path as the real host loads it (dlopen, or LoadLibrary
// on Windows), and its exported EntryPointFunc.
#pragma once
#include <string>
#include "AEUtil/HostApi.h"

namespace tonedot {

class EffectLibrary {
public:
    // Loads the library; Ok() tells whether that and the entry point lookup worked.
    explicit EffectLibrary(const std::string& path);
    ~EffectLibrary();
    EffectLibrary(const EffectLibrary&) = delete;
    EffectLibrary& operator=(const EffectLibrary&) = delete;

    bool Ok() const { return entry_ != nullptr; }
    const std::string& Error() const { return error_; }
    PF_EntryPointFunc Entry() const { return entry_; }
    // Looks up any exported symbol (tests use it to show that nothing else is exported).
    void* Symbol(const char* name) const;

private:
    void* module_ = nullptr;
    PF_EntryPointFunc entry_ = nullptr;
    std::string error_;
};

}  // namespace tonedot
