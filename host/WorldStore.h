// Worlds the effect allocates through "PF World Suite": made cleared, disposed once, counted,
// with an injectable allocation failure.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include "AEUtil/HostApi.h"
#include "host/Image.h"

namespace tonedot {

class WorldStore {
public:
    PF_Err New(A_long width, A_long height, PF_PixelFormat format, bool clear,
               PF_EffectWorld* world);
    PF_Err Dispose(PF_EffectWorld* world);

    size_t LiveCount();
    size_t MadeCount();
    size_t DisposedCount();
    // Dispose calls for worlds this store does not hold (twice disposed, never made).
    size_t MisuseCount();
    // After `successes` more allocations succeed, every further one fails with `err`;
    // a negative count stops the failures.
    void FailAllocation(int successes, PF_Err err = PF_Err_OUT_OF_MEMORY);

private:
    std::mutex mutex_;
    std::map<const Image*, std::unique_ptr<Image>> live_;
    size_t made_ = 0;
    size_t disposed_ = 0;
    size_t misuse_ = 0;
    int successesBeforeFailure_ = -1;
    PF_Err failure_ = PF_Err_NONE;
};

}  // namespace tonedot
