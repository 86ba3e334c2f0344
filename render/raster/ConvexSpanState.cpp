#include "render/raster/ConvexSpanState.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include "render/raster/SampleGrid.h"

namespace Render {

namespace {
constexpr SampleSpan kEmptySlot{-1, -1};  // covers only sample column -1, outside the layer
}

ConvexSpanState::ConvexSpanState(int32_t width) : width_(width) {
    assert(width >= 0 && width < (kSampleLimit >> 3));
    runs_.reserve(64);
    Reset();
}

void ConvexSpanState::ResetExtremes() {
    minX0_ = std::numeric_limits<int32_t>::max();
    maxX1_ = std::numeric_limits<int32_t>::min();
}

void ConvexSpanState::Reset() {
    slots_.fill(kEmptySlot);
    ResetExtremes();
}

void ConvexSpanState::ClearFrom(int32_t slot) {
    for (int32_t s = slot; s < 8; ++s) slots_[s] = kEmptySlot;
}

const std::vector<CoverageRun>& ConvexSpanState::Resolve() {
    runs_.clear();
    const int32_t lo = std::max(minX0_ >> 3, 0);
    const int32_t hi = std::min(maxX1_ >> 3, width_ - 1);
    ResetExtremes();
    if (lo > hi) return runs_;

    // Pixels every slot covers from edge to edge are full without summing.
    int32_t meetX0 = slots_[0].x0, meetX1 = slots_[0].x1;
    for (const SampleSpan& s : slots_) {
        meetX0 = std::max(meetX0, s.x0);
        meetX1 = std::min(meetX1, s.x1);
    }
    const int32_t fullLo = (meetX0 + 7) >> 3;  // first pixel with 8p >= meetX0
    const int32_t fullHi = (meetX1 - 7) >> 3;  // last pixel with 8p + 7 <= meetX1

    for (int32_t p = lo; p <= hi;) {
        if (p >= fullLo && p <= fullHi) {
            const int32_t end = std::min(fullHi, hi);
            AppendRun(runs_, p, end - p + 1, kSamplesPerPixelArea);
            p = end + 1;
            continue;
        }
        const int32_t left = 8 * p, right = 8 * p + 7;
        int32_t c = 0;
        for (const SampleSpan& s : slots_) {
            c += std::max(0, std::min(s.x1, right) - std::max(s.x0, left) + 1);
        }
        if (c > 0) AppendRun(runs_, p, 1, c);
        ++p;
    }
    return runs_;
}

}  // namespace Render
