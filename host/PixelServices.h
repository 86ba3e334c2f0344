// The stand-in host's pixel services: "PF Fill Matte Suite" 2 and "PF World Transform Suite"
// 1 (copy, copy_hq, and transfer_rect as a straight-alpha in-front composite through an
// optional mask), on worlds of any of the three depths.
#pragma once
#include <atomic>
#include "AEUtil/HostApi.h"

namespace tonedot {

extern const PF_FillMatteSuite2 kFillMatteSuite2;
extern const PF_WorldTransformSuite1 kWorldTransformSuite1;

// How often each service was called (all hosts together), for tests.
struct PixelServiceCounts {
    std::atomic<long> fill{0};
    std::atomic<long> copy{0};
    std::atomic<long> copyHq{0};
    std::atomic<long> transfer{0};
};
PixelServiceCounts& PixelServiceCalls();

}  // namespace tonedot
