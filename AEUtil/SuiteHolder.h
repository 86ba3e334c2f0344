// Per-call access to the host's suites: each suite is acquired from the basic suite the first
// time its accessor is used and released when the holder goes, also when the call ends by an
// exception.
#pragma once
#include <cstddef>
#include "AEUtil/HostApi.h"

class SuiteHolder {
public:
    // The suites the framework knows, by the host's (name, version).
    enum Slot : size_t {
        kWorldSuite1,
        kWorldSuite2,
        kFillMatteSuite2,
        kWorldTransformSuite1,
        kHandleSuite2,
        kParamUtilsSuite2,
        kParamUtilsSuite3,
        kAppSuite7,
        kSlotCount
    };
    struct SuiteName {
        const char* name;
        int32 version;
    };
    static const SuiteName& NameOf(Slot slot);

    // Throws the integer PF_Err_BAD_CALLBACK_PARAM when there is no basic suite.
    explicit SuiteHolder(SPBasicSuite* basic);
    ~SuiteHolder();
    SuiteHolder(const SuiteHolder&) = delete;
    SuiteHolder& operator=(const SuiteHolder&) = delete;

    // Each accessor is named for the suite table it returns (the host's version of the
    // suite can differ: "PF Handle Suite" 2 is PF_HandleSuite1) and throws the integer
    // PF_Err_BAD_CALLBACK_PARAM when the host refuses.
    const PF_WorldSuite1* WorldSuite1() { return Get<PF_WorldSuite1>(kWorldSuite1); }
    const PF_WorldSuite2* WorldSuite2() { return Get<PF_WorldSuite2>(kWorldSuite2); }
    const PF_FillMatteSuite2* FillMatteSuite2() {
        return Get<PF_FillMatteSuite2>(kFillMatteSuite2);
    }
    const PF_WorldTransformSuite1* WorldTransformSuite1() {
        return Get<PF_WorldTransformSuite1>(kWorldTransformSuite1);
    }
    const PF_HandleSuite1* HandleSuite1() { return Get<PF_HandleSuite1>(kHandleSuite2); }
    const PF_ParamUtilsSuite1* ParamUtilsSuite1() {
        return Get<PF_ParamUtilsSuite1>(kParamUtilsSuite2);
    }
    const PF_ParamUtilsSuite3* ParamUtilsSuite3() {
        return Get<PF_ParamUtilsSuite3>(kParamUtilsSuite3);
    }
    const PFAppSuite5* AppSuite5() { return Get<PFAppSuite5>(kAppSuite7); }

    SPBasicSuite* Basic() const { return basic_; }

private:
    const void* Acquire(Slot slot);
    template <class T>
    const T* Get(Slot slot) {
        return static_cast<const T*>(Acquire(slot));
    }

    SPBasicSuite* basic_;
    const void* suites_[kSlotCount] = {};
};
