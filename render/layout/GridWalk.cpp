#include "render/layout/GridWalk.h"

#include <algorithm>
#include <cmath>

namespace Render {

namespace {

// Ring indices stay below this, so that 8n and the cell indices fit comfortably in 64 bits.
constexpr double kMaxRing = 4503599627370496.0;  // 2^52
// Coordinates, steps and frame edges beyond this (far beyond any layer) leave only the
// centre cell: ring positions up to 2^52 steps away then stay far from overflowing.
constexpr double kMaxCoordinate = 1152921504606846976.0;  // 2^60

// The cells k = lo .. hi of a row or column inside the frame.  Along a row or column the
// rotated coordinates change monotonically (every rounded operation on the way is
// monotone), so each of the four inside conditions holds on a prefix or a suffix of the
// range.  Where a condition changes, the change is searched for from a straight-line
// estimate, galloping outward and then bisecting, so a well-estimated edge costs a few
// cells and a poorly estimated one no more than a bisection.
template <class Cell>
CellSpan InsideSpan(const GridGeometry& g, int64_t lo, int64_t hi, Cell&& cell)
{
    CellSpan span;
    if (lo > hi) return span;
    const GridPoint a = cell(lo);
    const GridPoint b = cell(hi);
    span.first = lo;
    span.last = hi;
    for (int which = 0; which < 4; ++which) {
        const double bound = which == 0 ? g.left : which == 1 ? g.right : which == 2 ? g.top : g.bottom;
        auto holds = [which, bound](GridPoint p) {
            switch (which) {
            case 0: return bound <= p.x;
            case 1: return p.x < bound;
            case 2: return bound <= p.y;
            default: return p.y < bound;
            }
        };
        const bool atLo = holds(a);
        const bool atHi = holds(b);
        if (!atLo && !atHi) return CellSpan{};
        if (atLo && atHi) continue;
        auto same = [&](int64_t k) { return holds(cell(k)) == atLo; };

        // Invariant: same(l), !same(h).
        int64_t l = lo, h = hi;
        const double ca = which < 2 ? a.x : a.y;
        const double cb = which < 2 ? b.x : b.y;
        const double t = (bound - ca) / (cb - ca);
        if (t > 0 && t < 1) {
            const int64_t guess = lo + static_cast<int64_t>(t * static_cast<double>(hi - lo));
            if (guess > l && guess < h) {
                if (same(guess)) {
                    l = guess;
                    for (int64_t step = 1; l + step < h; step *= 2) {
                        if (same(l + step)) l += step;
                        else { h = l + step; break; }
                    }
                } else {
                    h = guess;
                    for (int64_t step = 1; h - step > l; step *= 2) {
                        if (!same(h - step)) h -= step;
                        else { l = h - step; break; }
                    }
                }
            }
        }
        while (h - l > 1) {
            const int64_t mid = l + (h - l) / 2;
            if (same(mid)) l = mid;
            else h = mid;
        }
        if (atLo) span.last = std::min(span.last, l);
        else span.first = std::max(span.first, h);
        if (span.Empty()) return CellSpan{};
    }
    return span;
}

// Inverse of the global rotation, in grid steps from the grid centre.
struct IndexPoint {
    double i, j;
};

IndexPoint ToGridIndex(const GridGeometry& g, double px, double py)
{
    const double dx = px - g.rx, dy = py - g.ry;
    const double x = g.rx + dx * g.cosR + dy * g.sinR;
    const double y = g.ry - dx * g.sinR + dy * g.cosR;
    return {(x - g.cx) / g.sx, (y - g.cy) / g.sy};
}

double Chebyshev(IndexPoint p) { return std::max(std::fabs(p.i), std::fabs(p.j)); }

// Smallest Chebyshev norm on the segment a..b: the norm is convex and piecewise linear
// along it, so the minimum sits at an end or where a coordinate or |i| - |j| changes sign.
double SegmentMinChebyshev(IndexPoint a, IndexPoint b)
{
    const double di = b.i - a.i, dj = b.j - a.j;
    double best = std::min(Chebyshev(a), Chebyshev(b));
    auto tryAt = [&](double num, double den) {
        if (den == 0) return;
        const double t = num / den;
        if (t > 0 && t < 1) best = std::min(best, Chebyshev({a.i + t * di, a.j + t * dj}));
    };
    tryAt(-a.i, di);
    tryAt(-a.j, dj);
    tryAt(a.j - a.i, di - dj);   // i = j
    tryAt(-a.i - a.j, di + dj);  // i = -j
    return best;
}

double Cross(IndexPoint o, IndexPoint a, IndexPoint b)
{
    return (a.i - o.i) * (b.j - o.j) - (a.j - o.j) * (b.i - o.i);
}

}  // namespace

bool IsFiniteGrid(const GridGeometry& g)
{
    const double values[] = {g.cx, g.cy, g.sx, g.sy, g.rx, g.ry, g.cosR, g.sinR,
                             g.left, g.right, g.top, g.bottom};
    for (double v : values)
        if (!(std::fabs(v) < kMaxCoordinate)) return false;
    return g.sx > 0 && g.sy > 0;
}

RingRange FindRingRange(const GridGeometry& g)
{
    if (!IsFiniteGrid(g)) return {0, 0};
    if (!(g.left < g.right && g.top < g.bottom)) return {1, 0};  // nothing can be inside

    // The frame seen from the grid: a parallelogram in grid steps around the grid centre.
    // Ring n runs along the square of Chebyshev radius n, so the rings that meet the frame
    // lie between the smallest and the largest norm on the parallelogram.
    const IndexPoint corners[4] = {ToGridIndex(g, g.left, g.top), ToGridIndex(g, g.right, g.top),
                                   ToGridIndex(g, g.right, g.bottom), ToGridIndex(g, g.left, g.bottom)};
    double hi = 0;
    for (const IndexPoint& c : corners) hi = std::max(hi, Chebyshev(c));

    const IndexPoint origin{0, 0};
    bool positive = false, negative = false;
    for (int k = 0; k < 4; ++k) {
        const double c = Cross(corners[k], corners[(k + 1) % 4], origin);
        positive = positive || c > 0;
        negative = negative || c < 0;
    }
    double lo = 0;
    if (positive && negative) {  // the grid centre lies outside the frame
        lo = hi;
        for (int k = 0; k < 4; ++k) lo = std::min(lo, SegmentMinChebyshev(corners[k], corners[(k + 1) % 4]));
    }

    // Rounding moves the cells by far less than a step; the margin also covers the long
    // running sums of very distant rings.
    const double margin = 2.0 + hi * 1e-6;
    const double first = std::floor(lo - margin);
    const double last = std::ceil(hi + margin);
    RingRange range;
    range.first = first > 0 ? static_cast<int64_t>(std::min(first, kMaxRing)) : 0;
    range.last = last < kMaxRing ? static_cast<int64_t>(last) : static_cast<int64_t>(kMaxRing);
    return range;
}

RingCells FindRingCells(const GridGeometry& g, int64_t n)
{
    RingCells cells;
    cells.ring = n;
    const double nd = static_cast<double>(n);
    const double x0 = g.cx - nd * g.sx;
    const double y0 = g.cy - nd * g.sy;
    if (n == 0) {
        if (InsideFrame(g, RotateCell(g, x0, y0))) cells.top = {0, 0};
        return cells;
    }
    if (!IsFiniteGrid(g)) return cells;

    const int64_t side = 2 * n;
    auto columnX = [&](int64_t c) { return AdvanceRunningSum(x0, g.sx, static_cast<uint64_t>(c)); };
    auto rowY = [&](int64_t r) { return AdvanceRunningSum(y0, g.sy, static_cast<uint64_t>(r)); };

    cells.top = InsideSpan(g, 0, side, [&](int64_t c) { return RotateCell(g, columnX(c), y0); });
    const double yLast = rowY(side);
    cells.bottom = InsideSpan(g, 0, side, [&](int64_t c) { return RotateCell(g, columnX(c), yLast); });
    cells.left = InsideSpan(g, 1, side - 1, [&](int64_t r) { return RotateCell(g, x0, rowY(r)); });
    const double xLast = columnX(side);
    cells.right = InsideSpan(g, 1, side - 1, [&](int64_t r) { return RotateCell(g, xLast, rowY(r)); });
    return cells;
}

uint64_t CountInsideCells(const GridGeometry& g, uint64_t limit)
{
    uint64_t total = 0;
    WalkRings(g, [&](const RingCells& cells) {
        total += static_cast<uint64_t>(cells.Count());
        return total <= limit;
    });
    return total;
}

}  // namespace Render
