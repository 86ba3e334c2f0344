// Span accumulator of the general fill path: the sample spans of the eight sub-rows of one
// pixel row, merged per sub-row, turned into per-pixel coverage when the row is written.
#pragma once
#include <array>
#include <cstdint>
#include <vector>
#include "render/CoverageSink.h"

// Inclusive run of sample columns; empty when x1 < x0.
struct SampleSpan {
    int32_t x0;
    int32_t x1;
};

class SpanRows {
public:
    explicit SpanRows(int32_t width);

    void Clear();

    // Adds [x0, x1] (x0 <= x1, spans of one sub-row arriving left to right) to sub-row
    // `subRow` (0..7).  A span that touches or overlaps the last one is merged into it.
    void Add(int32_t subRow, int32_t x0, int32_t x1);

    bool Empty() const { return first_ < 0; }
    int32_t FirstSubRow() const { return first_; }
    int32_t LastSubRow() const { return last_; }
    const std::vector<SampleSpan>& Spans(int32_t subRow) const { return lists_[subRow]; }

    // The coverage of the row, clipped to pixels 0 .. width - 1: every pixel with a
    // non-zero count once, left to right.  Pixels strictly inside a run that all eight
    // sub-rows cover get 64 without summing.  Does not clear.
    const std::vector<CoverageRun>& Resolve();

    // Pixel runs known to be fully covered, as found by the last Resolve().
    const std::vector<CoverageRun>& FullRuns() const { return fullRuns_; }

private:
    void FindFullRuns();

    int32_t width_;
    int32_t first_ = -1;
    int32_t last_ = -1;
    std::array<std::vector<SampleSpan>, 8> lists_;
    std::vector<SampleSpan> meet_;     // intersection being built
    std::vector<SampleSpan> scratch_;
    std::vector<CoverageRun> fullRuns_;
    std::vector<CoverageRun> runs_;
    std::vector<int32_t> cover_;       // partial counts per pixel, zero between rows
};
