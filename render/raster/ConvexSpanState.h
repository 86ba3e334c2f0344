// State of the convex fill path: one sample span per sub-row of the pixel row being built, in
// eight fixed slots; and the walkers of the outline's two sides.
#pragma once
#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <vector>
#include "render/raster/CoverageSink.h"
#include "render/raster/SpanRows.h"

namespace Render {

// One side of a convex outline: the current edge, sampled at sub-row centres.
struct EdgeWalker {
    double x = 0.0;       // sample column of the edge at the current sub-row's centre
    double step = 0.0;    // change of x per sub-row
    double yLower = 0.0;  // sample row of the edge's lower end
    int32_t vertex = 0;   // the vertex the walker goes to next
    int32_t edgeStart = 0;  // the vertex the current edge starts at

    // Makes the edge from (xa, ya) to (xb, yb) current, sampled at sub-row `subRow`.
    void SetEdge(double xa, double ya, double xb, double yb, int32_t subRow) {
        if (ya > yb) {
            std::swap(xa, xb);
            std::swap(ya, yb);
        }
        double dy = yb - ya;
        if (dy == 0.0) dy = 1.0;
        step = (xb - xa) / dy;
        x = xa + step * (static_cast<double>(subRow) + 0.5 - ya);
        yLower = yb;
    }
};

class ConvexSpanState {
public:
    explicit ConvexSpanState(int32_t width);

    // All slots empty, row extremes reset.
    void Reset();
    // Records [x0, x1] (may be empty) as the span of sub-row slot `slot`.
    void Record(int32_t slot, int32_t x0, int32_t x1) {
        assert(slot >= 0 && slot < 8);
        slots_[slot] = SampleSpan{x0, x1};
        minX0_ = std::min(minX0_, x0);
        maxX1_ = std::max(maxX1_, x1);
    }
    // Empties the slots `slot` .. 7.
    void ClearFrom(int32_t slot);
    const SampleSpan& Slot(int32_t slot) const { return slots_[slot]; }

    // The coverage of the row from the eight slots, clipped to pixels 0 .. width - 1; resets
    // the row extremes (the slots keep their spans).
    const std::vector<CoverageRun>& Resolve();

private:
    void ResetExtremes();

    int32_t width_;
    std::array<SampleSpan, 8> slots_;
    int32_t minX0_, maxX1_;  // extremes of the row's span ends
    std::vector<CoverageRun> runs_;
};

}  // namespace Render
