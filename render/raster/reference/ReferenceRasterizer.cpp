#include "render/raster/reference/ReferenceRasterizer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include "render/raster/SampleGrid.h"

namespace Render::reference {

SpanRows::SpanRows(int32_t width) : width_(width), cover_(static_cast<size_t>(width > 0 ? width : 0), 0) {
    assert(width >= 0 && width < (kSampleLimit >> 3));
    for (auto& list : lists_) list.reserve(8);
}

void SpanRows::Clear() {
    if (first_ >= 0) {
        for (int32_t s = first_; s <= last_; ++s) lists_[s].clear();
    }
    first_ = -1;
    last_ = -1;
}

void SpanRows::Add(int32_t subRow, int32_t x0, int32_t x1) {
    assert(subRow >= 0 && subRow < 8 && x0 <= x1);
    std::vector<SampleSpan>& list = lists_[subRow];
    if (list.empty() || list.back().x1 + 1 < x0) {
        list.push_back(SampleSpan{x0, x1});
    } else if (x1 > list.back().x1) {
        list.back().x1 = x1;
    }
    if (first_ < 0 || subRow < first_) first_ = subRow;
    if (subRow > last_) last_ = subRow;
}

void SpanRows::FindFullRuns() {
    fullRuns_.clear();
    if (first_ != 0 || last_ != 7) return;
    // Intersect sub-row 0 with 1, the result with 2, and so on.
    const std::vector<SampleSpan>* sofar = &lists_[0];
    for (int32_t s = 1; s < 8 && !sofar->empty(); ++s) {
        std::vector<SampleSpan>& out = sofar == &meet_ ? scratch_ : meet_;
        out.clear();
        const std::vector<SampleSpan>& a = *sofar;
        const std::vector<SampleSpan>& b = lists_[s];
        size_t i = 0, k = 0;
        while (i < a.size() && k < b.size()) {
            const int32_t lo = std::max(a[i].x0, b[k].x0);
            const int32_t hi = std::min(a[i].x1, b[k].x1);
            if (lo <= hi) out.push_back(SampleSpan{lo, hi});
            if (a[i].x1 < b[k].x1) ++i; else ++k;
        }
        sofar = &out;
    }
    for (const SampleSpan& run : *sofar) {
        const int32_t p0 = std::max((run.x0 >> 3) + 1, 0);
        const int32_t p1 = std::min((run.x1 >> 3) - 1, width_ - 1);
        if (p0 <= p1) fullRuns_.push_back(CoverageRun{p0, p1 - p0 + 1, kSamplesPerPixelArea});
    }
}

const std::vector<CoverageRun>& SpanRows::Resolve() {
    runs_.clear();
    fullRuns_.clear();
    if (first_ < 0 || width_ <= 0) return runs_;
    FindFullRuns();

    // Partial counts of every pixel a span touches, leaving out the full runs.
    const int32_t lastSample = width_ * kSamplesPerPixel - 1;
    int32_t minPixel = width_, maxPixel = -1;
    for (int32_t s = first_; s <= last_; ++s) {
        size_t full = 0;
        for (const SampleSpan& span : lists_[s]) {
            const int32_t x0 = std::max(span.x0, 0);
            const int32_t x1 = std::min(span.x1, lastSample);
            if (x1 < x0) continue;
            const int32_t p0 = x0 >> 3, p1 = x1 >> 3;
            minPixel = std::min(minPixel, p0);
            maxPixel = std::max(maxPixel, p1);
            for (int32_t p = p0; p <= p1;) {
                while (full < fullRuns_.size() && fullRuns_[full].x + fullRuns_[full].length <= p) ++full;
                int32_t stop = p1;
                if (full < fullRuns_.size()) {
                    if (fullRuns_[full].x <= p) {
                        p = fullRuns_[full].x + fullRuns_[full].length;
                        continue;
                    }
                    stop = std::min(stop, fullRuns_[full].x - 1);
                }
                for (; p <= stop; ++p) {
                    cover_[p] += std::min(x1, 8 * p + 7) - std::max(x0, 8 * p) + 1;
                }
            }
        }
    }

    // Emit left to right, full runs whole, other pixels one by one (clearing the counts).
    size_t full = 0;
    for (int32_t p = minPixel; p <= maxPixel;) {
        if (full < fullRuns_.size() && fullRuns_[full].x == p) {
            runs_.push_back(fullRuns_[full]);
            p += fullRuns_[full].length;
            ++full;
            continue;
        }
        const int32_t c = cover_[p];
        if (c > 0) {
            cover_[p] = 0;
            runs_.push_back(CoverageRun{p, 1, c});
        }
        ++p;
    }
    return runs_;
}

constexpr SampleSpan kEmptySlot{-1, -1};  // covers only sample column -1, outside the layer

void EdgeWalker::SetEdge(double xa, double ya, double xb, double yb, int32_t subRow) {
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

ConvexSpanState::ConvexSpanState(int32_t width) : width_(width) {
    assert(width >= 0 && width < (kSampleLimit >> 3));
    runs_.reserve(64);
    Reset();
}

void ConvexSpanState::ResetExtremes() {
    minX0_ = std::numeric_limits<int32_t>::max();
    minX1_ = std::numeric_limits<int32_t>::max();
    maxX0_ = std::numeric_limits<int32_t>::min();
    maxX1_ = std::numeric_limits<int32_t>::min();
}

void ConvexSpanState::Reset() {
    slots_.fill(kEmptySlot);
    ResetExtremes();
}

void ConvexSpanState::Record(int32_t slot, int32_t x0, int32_t x1) {
    assert(slot >= 0 && slot < 8);
    slots_[slot] = SampleSpan{x0, x1};
    minX0_ = std::min(minX0_, x0);
    maxX0_ = std::max(maxX0_, x0);
    minX1_ = std::min(minX1_, x1);
    maxX1_ = std::max(maxX1_, x1);
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
            runs_.push_back(CoverageRun{p, end - p + 1, kSamplesPerPixelArea});
            p = end + 1;
            continue;
        }
        const int32_t left = 8 * p, right = 8 * p + 7;
        int32_t c = 0;
        for (const SampleSpan& s : slots_) {
            c += std::max(0, std::min(s.x1, right) - std::max(s.x0, left) + 1);
        }
        if (c > 0) runs_.push_back(CoverageRun{p, 1, c});
        ++p;
    }
    return runs_;
}

PolygonRasterizer::PolygonRasterizer(int32_t width, int32_t height)
    : width_(width), height_(height), subRowLimit_(height * kSamplesPerPixel), spanRows_(width), convex_(width) {
    assert(width >= 0 && height >= 0 && height < (kSampleLimit >> 3));
    edges_.reserve(200);
    active_.reserve(200);
}

void PolygonRasterizer::Fill(VertexList& vertices, const AffineTransform& t, CoverageSink& sink) {
    lastPath_ = FillPath::None;
    const size_t n = vertices.size();
    if (n < 3 || width_ <= 0 || height_ <= 0) return;
    OutlineVertex* v = vertices.data();

    if (t.IsIdentity()) {
        for (size_t i = 0; i < n; ++i) {
            v[i].X = v[i].x;
            v[i].Y = v[i].y;
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            v[i].X = t.a * v[i].x + t.b * v[i].y + t.tx;
            v[i].Y = t.c * v[i].x + t.d * v[i].y + t.ty;
        }
    }

    // Outlines that are not finite, or that lie wholly outside the layer, draw nothing.
    double minX = v[0].X, maxX = v[0].X, minY = v[0].Y, maxY = v[0].Y;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(v[i].X * kSamplesPerPixel) || !std::isfinite(v[i].Y * kSamplesPerPixel)) return;
        minX = std::min(minX, v[i].X);
        maxX = std::max(maxX, v[i].X);
        minY = std::min(minY, v[i].Y);
        maxY = std::max(maxY, v[i].Y);
    }
    // Two samples of margin: no span end rounds into the layer from further out.
    if (TruncSample(maxY * kSamplesPerPixel + 0.5) < 0 || TruncSample(minY * kSamplesPerPixel + 0.5) >= subRowLimit_ ||
        maxX * kSamplesPerPixel < -2.0 || minX * kSamplesPerPixel > width_ * kSamplesPerPixel + 2.0) {
        return;
    }

    // Changes of vertical direction around the closed outline (horizontal edges ignored).
    int changes = 0;
    int firstDirection = 0, lastDirection = 0;
    for (size_t i = 0; i < n; ++i) {
        const OutlineVertex& a = v[(i + n - 1) % n];
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
    for (size_t i = 0; i < n; ++i) {
        const OutlineVertex& p0 = v[(i + n - 2) % n];
        const OutlineVertex& p1 = v[(i + n - 1) % n];
        const OutlineVertex& p2 = v[i];
        if (p1.repeated) continue;
        const double turn = (p2.Y - p0.Y) * (p1.X - p0.X) - (p1.Y - p0.Y) * (p2.X - p0.X);
        if (turn < 0.0) negative = true;
        if (turn > 0.0) positive = true;
    }

    if (!(negative && positive) && changes == 2) {
        lastPath_ = FillPath::Convex;
        FillConvex(vertices, sink);
    } else {
        lastPath_ = FillPath::General;
        FillGeneral(vertices, sink);
    }
}

void PolygonRasterizer::FillConvex(VertexList& vertices, CoverageSink& sink) {
    const int32_t n = static_cast<int32_t>(vertices.size());
    OutlineVertex* v = vertices.data();
    int32_t top = 0;
    for (int32_t i = 0; i < n; ++i) {
        v[i].X *= kSamplesPerPixel;
        v[i].Y *= kSamplesPerPixel;
        v[i].row = TruncSample(v[i].Y + 0.5);
        if (v[i].Y < v[top].Y) top = i;
    }
    auto next = [n](int32_t i) { return i + 1 == n ? 0 : i + 1; };
    auto prev = [n](int32_t i) { return i == 0 ? n - 1 : i - 1; };

    EdgeWalker& fw = convex_.forward;
    EdgeWalker& bw = convex_.backward;
    fw.vertex = bw.vertex = top;
    fw.edgeStart = bw.edgeStart = top;
    convex_.Reset();

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
        if (j >= 0) {
            const double xLeft = std::min(fw.x, bw.x);
            const double xRight = std::max(fw.x, bw.x);
            convex_.Record(j & 7, TruncSample(xLeft + 0.5), TruncSample(xRight - 0.5));
            if ((j & 7) == 7) {
                const std::vector<CoverageRun>& runs = convex_.Resolve();
                if (!runs.empty()) sink.WriteRow(j >> 3, runs.data(), runs.size());
            }
        }
        fw.x += fw.step;
        bw.x += bw.step;
    }

    // The walk stopped at sub-row j: the rest of its pixel row is empty.
    if ((j & 7) != 0 && j >= 0 && j < subRowLimit_) {
        convex_.ClearFrom(j & 7);
        const std::vector<CoverageRun>& runs = convex_.Resolve();
        if (!runs.empty()) sink.WriteRow(j >> 3, runs.data(), runs.size());
    }
}

void PolygonRasterizer::FillGeneral(VertexList& vertices, CoverageSink& sink) {
    const size_t n = vertices.size();
    const OutlineVertex* v = vertices.data();

    edges_.clear();
    double yMin = v[0].Y, yMax = v[0].Y;
    for (size_t i = 0; i < n; ++i) {
        const OutlineVertex& p = v[(i + n - 1) % n];
        const OutlineVertex& q = v[i];
        yMin = std::min(yMin, q.Y);
        yMax = std::max(yMax, q.Y);
        const double xa = p.X * kSamplesPerPixel, ya = p.Y * kSamplesPerPixel;
        const double xb = q.X * kSamplesPerPixel, yb = q.Y * kSamplesPerPixel;
        Edge e;
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
        edges_.push_back(e);
    }
    // Activation order: by top (stable, so equal tops keep their outline order).
    std::stable_sort(edges_.begin(), edges_.end(),
                     [](const Edge& l, const Edge& r) { return l.firstSubRow < r.firstSubRow; });

    const int32_t kFirst = TruncSample(yMin * kSamplesPerPixel + 0.5);
    const int32_t kLast = TruncSample(yMax * kSamplesPerPixel + 0.5);
    spanRows_.Clear();
    active_.clear();
    size_t pending = 0;
    int32_t k = kFirst;
    const int32_t lead = -kExactLeadSubRows;
    if (k < lead) {
        // Far above the layer: advance every edge that crosses sub-row `lead` to it directly.
        for (; pending < edges_.size() && edges_[pending].firstSubRow < lead; ++pending) {
            Edge& e = edges_[pending];
            if (e.endSubRow <= lead) continue;
            // firstSubRow may be clamped; the edge's own first sub-row is trunc(top + 0.5).
            e.x += e.slope * (static_cast<double>(lead) - std::trunc(e.top + 0.5));
            active_.push_back(&e);
        }
        k = lead;
    }

    for (; k <= kLast && k < subRowLimit_; ++k) {
        for (; pending < edges_.size() && edges_[pending].firstSubRow == k; ++pending) {
            active_.push_back(&edges_[pending]);
        }
        active_.erase(std::remove_if(active_.begin(), active_.end(), [k](const Edge* e) { return e->endSubRow == k; }),
                      active_.end());
        for (size_t i = 1; i < active_.size(); ++i) {  // insertion sort by x: nearly sorted already
            Edge* e = active_[i];
            size_t m = i;
            for (; m > 0 && active_[m - 1]->x > e->x; --m) active_[m] = active_[m - 1];
            active_[m] = e;
        }

        bool recorded = false;
        if (k >= 0) {
            int32_t winding = 0;
            double xOpen = 0.0;
            for (const Edge* e : active_) {
                const int32_t before = winding;
                winding += e->direction;
                if (before == 0 && winding != 0) {
                    xOpen = e->x;
                } else if (before != 0 && winding == 0) {
                    spanRows_.Add(k & 7, TruncSample(xOpen + 0.5), TruncSample(e->x + 0.5));
                    recorded = true;
                }
            }
        }
        if (((k & 7) == 7 && recorded) || k == kLast) {
            const int32_t row = k >> 3;
            if (row >= 0 && row < height_) {
                const std::vector<CoverageRun>& runs = spanRows_.Resolve();
                if (!runs.empty()) sink.WriteRow(row, runs.data(), runs.size());
            }
            spanRows_.Clear();
        }
        for (Edge* e : active_) e->x += e->slope;
    }
}

}  // namespace Render::reference
