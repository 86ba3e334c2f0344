#include "render/raster/PolygonRasterizer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include "render/raster/SampleGrid.h"
#include "render/raster/SmallRows.h"

namespace Render {

constexpr int32_t kSmallOutlineRows = SmallRows<1>::kRows;

PolygonRasterizer::PolygonRasterizer(int32_t width, int32_t height)
    : width_(width), height_(height), subRowLimit_(height * kSamplesPerPixel), spanRows_(width), convex_(width), cells_(width) {
    assert(width >= 0 && height >= 0 && height < (kSampleLimit >> 3));
    edges_.resize(64);
    active_.resize(64);
}

// Spans into the layer's rows: each pixel row resolved and handed to the sink when it is
// complete, rows whose edges run through unchanged summed from their span ends.
class PolygonRasterizer::LayerRows {
public:
    LayerRows(PolygonRasterizer& r, CoverageSink& sink) : r_(r), sink_(sink) {}

    void BeginConvex() { r_.convex_.Reset(); }
    bool ConvexWholeRow(int32_t j, EdgeWalker& fw, EdgeWalker& bw, int32_t forwardRow, int32_t backwardRow) {
        if (j >= 0 && (j & 7) == 0 && j + 7 < r_.subRowLimit_ && forwardRow > j + 7 && backwardRow > j + 7) {
            r_.FillConvexRow(j, fw, bw, sink_);  // both walkers keep their edges through the row
            return true;
        }
        return false;
    }
    void ConvexSpan(int32_t j, int32_t x0, int32_t x1) {
        r_.convex_.Record(j & 7, x0, x1);
        if ((j & 7) == 7) Emit(j >> 3, r_.convex_.Resolve());
    }
    // The walk stopped at sub-row j: the rest of its pixel row is empty.
    void EndConvex(int32_t j) {
        if ((j & 7) != 0 && j >= 0 && j < r_.subRowLimit_) {
            r_.convex_.ClearFrom(j & 7);
            Emit(j >> 3, r_.convex_.Resolve());
        }
    }

    void BeginGeneral() { r_.spanRows_.Clear(); }
    bool GeneralWholeRow(int32_t k, int32_t kLast, bool nextStartsAfterRow, Edge* const* active, size_t m) {
        return k >= 0 && (k & 7) == 0 && k + 7 < kLast && k + 7 < r_.subRowLimit_ && r_.spanRows_.Empty() &&
               nextStartsAfterRow && r_.FillGeneralRow(k, active, m, sink_);
    }
    void GeneralSpan(int32_t k, int32_t x0, int32_t x1) { r_.spanRows_.Add(k & 7, x0, x1); }
    void GeneralSubRowDone(int32_t k, bool recorded, int32_t kLast) {
        if (((k & 7) == 7 && recorded) || k == kLast) {
            const int32_t row = k >> 3;
            if (row >= 0 && row < r_.height_) Emit(row, r_.spanRows_.Resolve());
            r_.spanRows_.Clear();
        }
    }

private:
    void Emit(int32_t row, const std::vector<CoverageRun>& runs) {
        if (!runs.empty()) sink_.WriteRow(row, runs.data(), runs.size());
    }

    PolygonRasterizer& r_;
    CoverageSink& sink_;
};

// Spans into SmallRows, a sub-row at a time; nothing reaches the sink until the whole
// outline is counted.
template <int Words>
class PolygonRasterizer::SmallOutlineRows {
public:
    explicit SmallOutlineRows(SmallRows<Words>& small) : small_(small) {}

    void BeginConvex() {}
    static bool ConvexWholeRow(int32_t, EdgeWalker&, EdgeWalker&, int32_t, int32_t) { return false; }
    void ConvexSpan(int32_t j, int32_t x0, int32_t x1) { small_.ConvexSpan(j, x0, x1); }
    void EndConvex(int32_t) {}

    void BeginGeneral() {}
    static bool GeneralWholeRow(int32_t, int32_t, bool, Edge* const*, size_t) { return false; }
    void GeneralSpan(int32_t, int32_t x0, int32_t x1) { small_.Span(x0, x1); }
    void GeneralSubRowDone(int32_t k, bool recorded, int32_t kLast) {
        small_.SubRowDone(k);
        // The span lists hand a row on only when its last sub-row has spans; otherwise its
        // spans stay for the row below.  Such outlines go the usual way.
        if ((k & 7) == 7 && !recorded && k != kLast && small_.RowHasSpans(k)) small_.MarkOutside();
    }

private:
    SmallRows<Words>& small_;
};

void PolygonRasterizer::Fill(VertexList& vertices, const AffineTransform& t, CoverageSink& sink) {
    lastPath_ = FillPath::None;
    const size_t n = vertices.size();
    if (n < 3 || width_ <= 0 || height_ <= 0) return;
    OutlineVertex* v = vertices.data();

    // Mapped, and measured on the way; outlines that are not finite draw nothing.
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    bool finite = true;
    const bool identity = t.IsIdentity();
    for (size_t i = 0; i < n; ++i) {
        const double X = identity ? v[i].x : t.a * v[i].x + t.b * v[i].y + t.tx;
        const double Y = identity ? v[i].y : t.c * v[i].x + t.d * v[i].y + t.ty;
        v[i].X = X;
        v[i].Y = Y;
        finite = finite && std::isfinite(X * kSamplesPerPixel) && std::isfinite(Y * kSamplesPerPixel);
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    if (!finite) return;
    // Two samples of margin: no span end rounds into the layer from further out.
    if (TruncSample(maxY * kSamplesPerPixel + 0.5) < 0 || TruncSample(minY * kSamplesPerPixel + 0.5) >= subRowLimit_ ||
        maxX * kSamplesPerPixel < -2.0 || minX * kSamplesPerPixel > width_ * kSamplesPerPixel + 2.0) {
        return;
    }

    // Changes of vertical direction around the closed outline (horizontal edges ignored).
    int changes = 0;
    int firstDirection = 0, lastDirection = 0;
    for (size_t i = 0, prev = n - 1; i < n; prev = i++) {
        const OutlineVertex& a = v[prev];
        const OutlineVertex& b = v[i];
        if (a.Y == b.Y) continue;
        const int direction = b.Y > a.Y ? 1 : -1;
        if (firstDirection == 0) {
            firstDirection = direction;
        } else if (direction != lastDirection) {
            ++changes;
        }
        lastDirection = direction;
    }
    if (firstDirection == 0) {
        changes = 1;
    } else if (lastDirection != firstDirection) {
        ++changes;
    }

    // Turn of every consecutive triple.  A vertex that stands for dropped copies of itself
    // had zero turns on both sides of it; its own triple does not count either.
    bool negative = false, positive = false;
    for (size_t i = 0, i1 = n - 1, i0 = n - 2; i < n; i0 = i1, i1 = i++) {
        const OutlineVertex& p0 = v[i0];
        const OutlineVertex& p1 = v[i1];
        const OutlineVertex& p2 = v[i];
        if (p1.repeated) continue;
        const double turn = (p2.Y - p0.Y) * (p1.X - p0.X) - (p1.Y - p0.Y) * (p2.X - p0.X);
        if (turn < 0.0) negative = true;
        if (turn > 0.0) positive = true;
    }

    // Small outlines inside the layer, with a pixel to spare on every side, count their rows
    // at once (in one word of pixels where they fit); a span that still falls outside what
    // the rows hold sends them the usual way.
    const double across = maxX - std::floor(minX);
    const bool small = minX >= 1.0 && minY >= 1.0 && across < kSmallRowPixels - 2 &&
                       maxY - std::floor(minY) < kSmallOutlineRows - 2 && maxX + 1.0 < width_ &&
                       maxY * kSamplesPerPixel + 2.0 < subRowLimit_;
    const bool oneWord = across < kSmallRowPixels / 2 - 2;
    const int32_t firstPixel = small ? static_cast<int32_t>(minX) - 1 : 0;

    if (!(negative && positive) && changes == 2) {
        lastPath_ = FillPath::Convex;
        const int32_t m = static_cast<int32_t>(n);
        const int32_t top = PrepareConvex(vertices);
        if (small && (oneWord ? FillSmallConvex<1>(v, m, top, firstPixel, sink)
                              : FillSmallConvex<2>(v, m, top, firstPixel, sink)))
            return;
        LayerRows rows(*this, sink);
        WalkConvex(v, m, top, rows);
    } else {
        lastPath_ = FillPath::General;
        int32_t kFirst = 0, kLast = 0;
        PrepareGeneral(vertices, kFirst, kLast);
        if (small) {
            if (oneWord ? FillSmallGeneral<1>(kFirst, kLast, firstPixel, sink)
                        : FillSmallGeneral<2>(kFirst, kLast, firstPixel, sink))
                return;
            PrepareGeneral(vertices, kFirst, kLast);  // the walk moved the edges
        }
        LayerRows rows(*this, sink);
        WalkGeneral(kFirst, kLast, rows);
    }
}

template <int Words>
bool PolygonRasterizer::FillSmallConvex(const OutlineVertex* v, int32_t n, int32_t top, int32_t firstPixel,
                                        CoverageSink& sink) {
    SmallRows<Words> counts(v[top].row >> 3, firstPixel, width_);
    SmallOutlineRows<Words> rows(counts);
    WalkConvex(v, n, top, rows);
    if (counts.Outside()) return false;
    counts.Write(sink);
    return true;
}

template <int Words>
bool PolygonRasterizer::FillSmallGeneral(int32_t kFirst, int32_t kLast, int32_t firstPixel, CoverageSink& sink) {
    SmallRows<Words> counts(kFirst >> 3, firstPixel, width_);
    SmallOutlineRows<Words> rows(counts);
    WalkGeneral(kFirst, kLast, rows);
    if (counts.Outside()) return false;
    counts.Write(sink);
    return true;
}
int32_t PolygonRasterizer::PrepareConvex(VertexList& vertices) {
    const int32_t n = static_cast<int32_t>(vertices.size());
    OutlineVertex* v = vertices.data();
    int32_t top = 0;
    double topY = v[0].Y * kSamplesPerPixel;  // kept apart from the list it is stored in
    for (int32_t i = 0; i < n; ++i) {
        const double y = v[i].Y * kSamplesPerPixel;
        v[i].X *= kSamplesPerPixel;
        v[i].Y = y;
        v[i].row = TruncSample(y + 0.5);
        if (y < topY) {
            topY = y;
            top = i;
        }
    }
    return top;
}

template <class Rows>
void PolygonRasterizer::WalkConvex(const OutlineVertex* v, int32_t n, int32_t top, Rows& rows) {
    auto next = [n](int32_t i) { return i + 1 == n ? 0 : i + 1; };
    auto prev = [n](int32_t i) { return i == 0 ? n - 1 : i - 1; };

    EdgeWalker fw, bw;
    fw.vertex = bw.vertex = top;
    fw.edgeStart = bw.edgeStart = top;
    rows.BeginConvex();

    int32_t j = v[top].row;
    const int32_t lead = -kExactLeadSubRows;
    if (j < lead) {
        // Far above the layer: put each walker on the edge that crosses sub-row `lead`.
        // The outline reaches below the layer's top (checked by Fill), so each side's chain
        // still runs downward there.
        int32_t a = top;
        for (int32_t guard = 0; guard < n && v[next(a)].row < lead; ++guard) a = next(a);
        fw.SetEdge(v[a].X, v[a].Y, v[next(a)].X, v[next(a)].Y, lead);
        fw.edgeStart = a;
        fw.vertex = next(a);
        a = top;
        for (int32_t guard = 0; guard < n && v[prev(a)].row < lead; ++guard) a = prev(a);
        bw.SetEdge(v[a].X, v[a].Y, v[prev(a)].X, v[prev(a)].Y, lead);
        bw.edgeStart = a;
        bw.vertex = prev(a);
        j = lead;
    }

    for (;; ++j) {
        while (v[fw.vertex].row == j) {
            const int32_t a = fw.vertex, b = next(a);
            fw.SetEdge(v[a].X, v[a].Y, v[b].X, v[b].Y, j);
            fw.edgeStart = a;
            fw.vertex = b;
            if (b == bw.edgeStart) break;
        }
        while (v[bw.vertex].row == j) {
            const int32_t a = bw.vertex, b = prev(a);
            bw.SetEdge(v[a].X, v[a].Y, v[b].X, v[b].Y, j);
            bw.edgeStart = a;
            bw.vertex = b;
            if (b == fw.edgeStart) break;
        }
        if (v[fw.vertex].row < j || v[bw.vertex].row < j) break;
        if (j >= subRowLimit_) return;  // every row of the layer is written
        if (rows.ConvexWholeRow(j, fw, bw, v[fw.vertex].row, v[bw.vertex].row)) {
            j += 7;
            continue;
        }
        if (j >= 0) {
            const double xLeft = std::min(fw.x, bw.x);
            const double xRight = std::max(fw.x, bw.x);
            rows.ConvexSpan(j, TruncSample(xLeft + 0.5), TruncSample(xRight - 0.5));
        }
        fw.x += fw.step;
        bw.x += bw.step;
    }
    rows.EndConvex(j);
}

void PolygonRasterizer::FillConvexRow(int32_t j, EdgeWalker& fw, EdgeWalker& bw, CoverageSink& sink) {
    double fx = fw.x, bx = bw.x;
    int32_t x0[8], x1[8];
    for (int32_t s = 0; s < 8; ++s) {
        x0[s] = TruncSample(std::min(fx, bx) + 0.5);
        x1[s] = TruncSample(std::max(fx, bx) - 0.5) + 1;  // first column after the span
        fx += fw.step;
        bx += bw.step;
    }
    fw.x = fx;
    bw.x = bx;
    bool any = false;
    for (int32_t s = 0; s < 8; ++s) {
        if (x1[s] <= x0[s]) {
            x1[s] = x0[s];  // empty: the two boundaries cancel
        } else {
            any = true;
        }
    }
    if (!any) return;
    cells_.AddEdge(x0, 1);
    cells_.AddEdge(x1, -1);
    const std::vector<CoverageRun>& runs = cells_.Resolve();
    if (!runs.empty()) sink.WriteRow(j >> 3, runs.data(), runs.size());
}

bool PolygonRasterizer::FillGeneralRow(int32_t k, Edge* const* active, size_t m, CoverageSink& sink) {
    if (m > kMaxRowEdges) return false;
    for (size_t i = 0; i < m; ++i) {
        const Edge* e = active[i];
        if (e->endSubRow <= k + 7) return false;
        double x = e->x;
        for (int32_t s = 0; s < 8; ++s) {
            rowX_[i][s] = x;
            rowT_[i][s] = TruncSample(x + 0.5);
            x += e->slope;
        }
        if (i > 0) {
            for (int32_t s = 0; s < 8; ++s) {
                if (rowT_[i - 1][s] > rowT_[i][s]) return false;  // the order changes within the row
            }
        }
    }
    // With one order for all eight sub-rows the winding pairs the same edges in each: a
    // span opens at an edge that leaves winding 0 and closes at the one that returns to it.
    // Spans that share a column would be merged by the span lists; here they must not.
    int32_t winding = 0;
    size_t lastClose = m;
    for (size_t i = 0; i < m; ++i) {
        const int32_t before = winding;
        winding += active[i]->direction;
        if (before == 0 && winding != 0 && lastClose < m) {
            for (int32_t s = 0; s < 8; ++s) {
                if (rowT_[lastClose][s] >= rowT_[i][s]) return false;
            }
        } else if (before != 0 && winding == 0) {
            lastClose = i;
        }
    }
    if (winding != 0) return false;

    winding = 0;
    for (size_t i = 0; i < m; ++i) {
        const int32_t before = winding;
        winding += active[i]->direction;
        if (before == 0 && winding != 0) {
            cells_.AddEdge(rowT_[i], 1);
        } else if (before != 0 && winding == 0) {
            int32_t after[8];
            for (int32_t s = 0; s < 8; ++s) after[s] = rowT_[i][s] + 1;
            cells_.AddEdge(after, -1);
        }
        active[i]->x = rowX_[i][7] + active[i]->slope;
    }
    const std::vector<CoverageRun>& runs = cells_.Resolve();
    if (!runs.empty()) sink.WriteRow(k >> 3, runs.data(), runs.size());
    return true;
}

void PolygonRasterizer::PrepareGeneral(const VertexList& vertices, int32_t& kFirst, int32_t& kLast) {
    const size_t n = vertices.size();
    const OutlineVertex* v = vertices.data();

    if (edges_.size() < n) edges_.resize(n);
    Edge* edges = edges_.data();
    size_t count = 0;
    double yMin = v[0].Y, yMax = v[0].Y;
    for (size_t i = 0, prev = n - 1; i < n; prev = i++) {
        const OutlineVertex& p = v[prev];
        const OutlineVertex& q = v[i];
        yMin = std::min(yMin, q.Y);
        yMax = std::max(yMax, q.Y);
        const double xa = p.X * kSamplesPerPixel, ya = p.Y * kSamplesPerPixel;
        const double xb = q.X * kSamplesPerPixel, yb = q.Y * kSamplesPerPixel;
        Edge& e = edges[count];  // built in place, not copied in from a temporary
        if (ya < yb) {
            e.top = ya;
            e.bottom = yb;
            e.x = xa;
            e.direction = -1;
        } else {
            e.top = yb;
            e.bottom = ya;
            e.x = xb;
            e.direction = 1;
        }
        e.firstSubRow = TruncSample(e.top + 0.5);
        e.endSubRow = TruncSample(e.bottom + 0.5);
        if (e.firstSubRow == e.endSubRow) continue;  // serves no sub-row
        e.slope = (xb - xa) / (yb - ya);
        ++count;
    }
    edgeCount_ = count;
    // Activation order: by top (stable, so equal tops keep their outline order).  Outlines
    // of a few edges are put in order in place.
    if (count <= kMaxRowEdges) {
        for (size_t i = 1; i < count; ++i) {
            const Edge e = edges[i];
            size_t m = i;
            for (; m > 0 && edges[m - 1].firstSubRow > e.firstSubRow; --m) edges[m] = edges[m - 1];
            edges[m] = e;
        }
    } else {
        std::stable_sort(edges, edges + count,
                         [](const Edge& l, const Edge& r) { return l.firstSubRow < r.firstSubRow; });
    }
    kFirst = TruncSample(yMin * kSamplesPerPixel + 0.5);
    kLast = TruncSample(yMax * kSamplesPerPixel + 0.5);
}

template <class Rows>
void PolygonRasterizer::WalkGeneral(int32_t kFirst, int32_t kLast, Rows& rows) {
    rows.BeginGeneral();
    Edge* const edges = edges_.data();
    const size_t edgeCount = edgeCount_;
    if (active_.size() < edgeCount) active_.resize(edgeCount);
    Edge** const active = active_.data();
    size_t m = 0;  // active edges
    size_t pending = 0;
    int32_t k = kFirst;
    const int32_t lead = -kExactLeadSubRows;
    if (k < lead) {
        // Far above the layer: advance every edge that crosses sub-row `lead` to it directly.
        for (; pending < edgeCount && edges[pending].firstSubRow < lead; ++pending) {
            Edge& e = edges[pending];
            if (e.endSubRow <= lead) continue;
            // firstSubRow may be clamped; the edge's own first sub-row is trunc(top + 0.5).
            e.x += e.slope * (static_cast<double>(lead) - std::trunc(e.top + 0.5));
            active[m++] = &e;
        }
        k = lead;
    }

    for (; k <= kLast && k < subRowLimit_; ++k) {
        for (; pending < edgeCount && edges[pending].firstSubRow == k; ++pending) active[m++] = &edges[pending];
        size_t kept = 0;  // edges that end here leave, the others keep their order
        for (size_t i = 0; i < m; ++i)
            if (active[i]->endSubRow != k) active[kept++] = active[i];
        m = kept;
        for (size_t i = 1; i < m; ++i) {  // insertion sort by x: nearly sorted already
            Edge* e = active[i];
            size_t j = i;
            for (; j > 0 && active[j - 1]->x > e->x; --j) active[j] = active[j - 1];
            active[j] = e;
        }
        if (rows.GeneralWholeRow(k, kLast, pending == edgeCount || edges[pending].firstSubRow > k + 7, active, m)) {
            k += 7;  // the edges stand at sub-row k + 8 already
            continue;
        }

        bool recorded = false;
        if (k >= 0) {
            int32_t winding = 0;
            double xOpen = 0.0;
            for (size_t i = 0; i < m; ++i) {
                const Edge* e = active[i];
                const int32_t before = winding;
                winding += e->direction;
                if (before == 0 && winding != 0) {
                    xOpen = e->x;
                } else if (before != 0 && winding == 0) {
                    rows.GeneralSpan(k, TruncSample(xOpen + 0.5), TruncSample(e->x + 0.5));
                    recorded = true;
                }
            }
        }
        rows.GeneralSubRowDone(k, recorded, kLast);
        for (size_t i = 0; i < m; ++i) active[i]->x += active[i]->slope;
    }
}

}  // namespace Render
