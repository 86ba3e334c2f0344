#include "AEUtil/SuiteHolder.h"

namespace {

const SuiteHolder::SuiteName kSuiteNames[SuiteHolder::kSlotCount] = {
    {kPFWorldSuite, kPFWorldSuiteVersion1},
    {kPFWorldSuite, kPFWorldSuiteVersion2},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1},
    {kPFHandleSuite, kPFHandleSuiteVersion1},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3},
    {kPFAppSuite, kPFAppSuiteVersion5},
};

}  // namespace

const SuiteHolder::SuiteName& SuiteHolder::NameOf(Slot slot) { return kSuiteNames[slot]; }

SuiteHolder::SuiteHolder(SPBasicSuite* basic) : basic_(basic) {
    if (!basic_) throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);
}

SuiteHolder::~SuiteHolder() {
    for (size_t i = 0; i < kSlotCount; ++i) {
        if (suites_[i]) basic_->ReleaseSuite(kSuiteNames[i].name, kSuiteNames[i].version);
    }
}

const void* SuiteHolder::Acquire(Slot slot) {
    if (suites_[slot]) return suites_[slot];
    const void* suite = nullptr;
    const SPErr err = basic_->AcquireSuite(kSuiteNames[slot].name, kSuiteNames[slot].version,
                                           &suite);
    if (err != kSPNoError || !suite) {
        // A host that answers with an error has nothing to release; one that handed out a
        // null table after saying yes gets its acquire balanced.
        if (err == kSPNoError) basic_->ReleaseSuite(kSuiteNames[slot].name,
                                                    kSuiteNames[slot].version);
        throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);
    }
    suites_[slot] = suite;
    return suite;
}
