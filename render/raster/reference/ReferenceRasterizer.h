// The rasteriser as it was before its row accumulation was rewritten: the sub-row span
// lists, the eight-slot convex state and the per-pixel sums, kept unchanged as the
// reference the production rasteriser must equal count for count.  Slow on purpose; a
// library of its own (tonedot_render_reference) that tests and benchmarks link and the
// effect never does.
#pragma once
#include <array>
#include <cstdint>
#include <vector>
#include "render/raster/AffineTransform.h"
#include "render/raster/CoverageSink.h"
#include "render/raster/PolygonRasterizer.h"
#include "render/raster/VertexList.h"

namespace Render::reference {

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

// One side of a convex outline: the current edge, sampled at sub-row centres.
struct EdgeWalker {
    double x = 0.0;       // sample column of the edge at the current sub-row's centre
    double step = 0.0;    // change of x per sub-row
    double yLower = 0.0;  // sample row of the edge's lower end
    int32_t vertex = 0;   // the vertex the walker goes to next
    int32_t edgeStart = 0;  // the vertex the current edge starts at

    // Makes the edge from (xa, ya) to (xb, yb) current, sampled at sub-row `subRow`.
    void SetEdge(double xa, double ya, double xb, double yb, int32_t subRow);
};

class ConvexSpanState {
public:
    explicit ConvexSpanState(int32_t width);

    // All slots empty, row extremes reset.
    void Reset();
    // Records [x0, x1] (may be empty) as the span of sub-row slot `slot`.
    void Record(int32_t slot, int32_t x0, int32_t x1);
    // Empties the slots `slot` .. 7.
    void ClearFrom(int32_t slot);
    const SampleSpan& Slot(int32_t slot) const { return slots_[slot]; }

    // The coverage of the row from the eight slots, clipped to pixels 0 .. width - 1; resets
    // the row extremes (the slots keep their spans).
    const std::vector<CoverageRun>& Resolve();

    EdgeWalker forward;
    EdgeWalker backward;

private:
    void ResetExtremes();

    int32_t width_;
    std::array<SampleSpan, 8> slots_;
    int32_t minX0_, maxX0_, minX1_, maxX1_;
    std::vector<CoverageRun> runs_;
};

class PolygonRasterizer {
public:
    PolygonRasterizer(int32_t width, int32_t height);

    // Maps the outline through `transform` (writing X and Y of every vertex; they are left
    // in sample coordinates on the convex path) and passes every pixel of the layer with a
    // non-zero count to `sink`.  Fewer than three vertices, or a coordinate that is not
    // finite, draw nothing.
    void Fill(VertexList& vertices, const AffineTransform& transform, CoverageSink& sink);

    // The path the last Fill took (None when it returned before choosing).
    FillPath LastPath() const { return lastPath_; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

private:
    struct Edge {
        double top;      // sample row of the upper end
        double bottom;   // sample row of the lower end
        double x;        // sample column, starting at the upper end
        double slope;    // change of x per sub-row
        int32_t direction;  // -1 where the outline runs downward, +1 otherwise
        int32_t firstSubRow;  // (int)(top + 0.5)
        int32_t endSubRow;    // (int)(bottom + 0.5)
    };

    void FillConvex(VertexList& vertices, CoverageSink& sink);
    void FillGeneral(VertexList& vertices, CoverageSink& sink);

    int32_t width_;
    int32_t height_;
    int32_t subRowLimit_;  // 8 * height
    std::vector<Edge> edges_;
    std::vector<Edge*> active_;
    SpanRows spanRows_;
    ConvexSpanState convex_;
    FillPath lastPath_ = FillPath::None;
};

}  // namespace Render::reference
