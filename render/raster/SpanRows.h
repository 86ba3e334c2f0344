// Row accumulators of the rasteriser.  SpanRows: the sample spans of the eight sub-rows of
// one pixel row, merged per sub-row, turned into per-pixel coverage when the row is
// written.  CoverageCells: the same coverage built from span ends alone, for rows whose
// spans are known not to overlap, at a cost that follows the outline's edges rather than
// the pixels between them.
#pragma once
#include <array>
#include <cstdint>
#include <vector>
#include "render/raster/CoverageSink.h"

namespace Render {

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

// Coverage of one pixel row as running totals: each span of a sub-row adds one sample per
// column from its first column on and takes it away again after its last, so a pixel's
// count is the sum of the boundaries left of it plus the share of the boundaries inside it.
// Only the pixels around boundaries are visited; between them the count is constant and
// goes out as one run.  The spans added must not overlap within a sub-row.
class CoverageCells {
public:
    explicit CoverageCells(int32_t width);

    // The span boundaries of one edge in the eight sub-rows of the row, at sample columns
    // b[0..7]: from each on, one sample more (sign +1) or less (sign -1).  Columns left of
    // the layer count as column 0, columns past its right edge are dropped.  Boundaries in
    // one pixel are summed before they are stored.
    void AddEdge(const int32_t (&b)[8], int32_t sign);

    // The row's coverage left to right, runs of equal counts merged; clears the cells.
    const std::vector<CoverageRun>& Resolve();

private:
    struct Zone {
        int32_t first;  // pixels first .. last hold cells
        int32_t last;
    };

    int32_t width_;
    int32_t sampleEnd_;  // 8 * width
    std::vector<int32_t> area_;   // per pixel: samples of the pixel's own boundaries
    std::vector<int32_t> cover_;  // per pixel: change of the running total from it on
    std::vector<Zone> zones_;
    std::vector<CoverageRun> runs_;
};

}  // namespace Render
