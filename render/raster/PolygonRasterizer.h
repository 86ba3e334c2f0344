// Measures how many of each pixel's 8 x 8 sample points lie inside a closed outline
// (non-zero winding) and hands the counts on, row by row.  Convex outlines take a two-walker
// path sampled at sub-row centres; all others an active-edge path.  On both, a pixel row
// whose eight sub-rows keep the same edges in the same order is summed from its span ends
// alone (CoverageCells); rows with vertices, crossings or touching spans go through the
// per-sub-row span lists.  An outline a few pixels across, wholly inside the layer, has its
// rows counted at once from bit masks of its spans instead (SmallRows), with the same
// counts.  Independent of the pixel depth.
#pragma once
#include <cassert>
#include <cstdint>
#include <vector>
#include "render/raster/AffineTransform.h"
#include "render/raster/ConvexSpanState.h"
#include "render/raster/CoverageSink.h"
#include "render/raster/SampleGrid.h"
#include "render/raster/SpanRows.h"
#include "render/raster/VertexList.h"

namespace Render {

enum class FillPath { None, Convex, General };

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

    // Measures no sub-row at or below pixel row `rows` (at most the height): the rows above
    // come out as they do with no limit, as every row depends only on the rows above it.
    void SetRowLimit(int32_t rows) {
        assert(rows >= 0 && rows <= height_);
        subRowLimit_ = rows * kSamplesPerPixel;
    }

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

    // The spans of the two paths go to the layer's rows (LayerRows) or, for small outlines,
    // to SmallRows; the walks themselves are one code for both.
    class LayerRows;
    template <int Words>
    class SmallOutlineRows;

    // Scales the outline to sample units and finds its top vertex.
    int32_t PrepareConvex(VertexList& vertices);
    template <class Rows>
    void WalkConvex(const OutlineVertex* v, int32_t n, int32_t top, Rows& rows);
    // Makes the edges, in activation order; the first and last sub-rows they serve.
    void PrepareGeneral(const VertexList& vertices, int32_t& kFirst, int32_t& kLast);
    template <class Rows>
    void WalkGeneral(int32_t kFirst, int32_t kLast, Rows& rows);
    // The small outlines' ways: false, having written nothing, when a span falls outside
    // the rows they hold.
    template <int Words>
    bool FillSmallConvex(const OutlineVertex* v, int32_t n, int32_t top, int32_t firstPixel, CoverageSink& sink);
    template <int Words>
    bool FillSmallGeneral(int32_t kFirst, int32_t kLast, int32_t firstPixel, CoverageSink& sink);
    // The pixel row of sub-rows k .. k + 7 from its span ends, when the active edges keep
    // their order and their spans stay apart; advances the edges.  False, changing
    // nothing, otherwise.
    bool FillGeneralRow(int32_t k, Edge* const* active, size_t m, CoverageSink& sink);
    // The same for the convex walkers over sub-rows j .. j + 7; always succeeds.
    void FillConvexRow(int32_t j, EdgeWalker& forward, EdgeWalker& backward, CoverageSink& sink);

    static constexpr size_t kMaxRowEdges = 32;

    int32_t width_;
    int32_t height_;
    int32_t subRowLimit_;  // 8 * the rows measured (the height unless limited)
    std::vector<Edge> edges_;    // storage: the first edgeCount_ are the outline's
    size_t edgeCount_ = 0;
    std::vector<Edge*> active_;  // storage of the walk's active edges
    SpanRows spanRows_;
    ConvexSpanState convex_;
    CoverageCells cells_;
    double rowX_[kMaxRowEdges][8];   // edge positions of the row's sub-rows
    int32_t rowT_[kMaxRowEdges][8];  // their sample columns
    FillPath lastPath_ = FillPath::None;
};

}  // namespace Render
