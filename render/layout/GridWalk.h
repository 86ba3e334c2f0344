// The walk over the dot grid: square rings of cells around the grid centre, and which of
// their cells fall inside the (extended) frame.
//
// Ring n has 2n + 1 rows and columns; only its border cells belong to it.  They are taken
// row by row, top to bottom, each row left to right, so a ring n >= 1 holds 8n cells in
// this order: row 0 (indices 0 .. 2n), then for rows 1 .. 2n-1 the left and the right cell
// (indices 2n+1, 2n+2, ...), then row 2n (indices 6n-1 .. 8n-1).  Row and column
// coordinates are running sums from the ring's first row and column, as a plain loop
// would compute them; every cell is turned about the rotation centre before the inside
// test.
//
// Each cell the walk passes costs kDrawsPerDot draws of the dot random source whether or not a dot
// is made there, so the pattern does not depend on the frame.  The walk here does not
// visit the cells outside the frame: it finds the inside cells of a ring by bisection
// (each inside condition is monotone along a row or column) and moves the random state
// over the rest arithmetically, with exactly the result of visiting every cell.
#pragma once
#include <cstdint>

#include "render/base/Constants.h"
#include "render/layout/DotRandom.h"
#include "render/layout/RunningSum.h"

namespace Render {

// What the walk needs to know about the frame.  A cell is inside when
// left <= px < right and top <= py < bottom.
struct GridGeometry {
    double cx, cy;        // grid centre
    double sx, sy;        // grid steps (>= 1)
    double rx, ry;        // rotation centre
    double cosR, sinR;    // global rotation
    double left, right;   // extended frame
    double top, bottom;
};

// Inclusive range of cell positions along one side of a ring; empty when first > last.
struct CellSpan {
    int64_t first = 1;
    int64_t last = 0;
    bool Empty() const { return first > last; }
    int64_t Size() const { return Empty() ? 0 : last - first + 1; }
};

// The inside cells of one ring: columns of its top and bottom rows, rows (1 .. 2n-1) of
// its left and right columns.  Ring 0 uses `top` alone.
struct RingCells {
    int64_t ring = 0;
    CellSpan top, left, right, bottom;
    int64_t Count() const { return top.Size() + left.Size() + right.Size() + bottom.Size(); }
};

// Rings that may hold inside cells: none lies before `first`; when no ring up to `last`
// holds one, no later ring does.  first > last when the frame is empty.
struct RingRange {
    int64_t first;
    int64_t last;
};

// A cell position after the global rotation.
struct GridPoint {
    double x, y;
};

inline GridPoint RotateCell(const GridGeometry& g, double x, double y)
{
    return {(x - g.rx) * g.cosR - (y - g.ry) * g.sinR + g.rx,
            (x - g.rx) * g.sinR + (y - g.ry) * g.cosR + g.ry};
}

inline bool InsideFrame(const GridGeometry& g, GridPoint p)
{
    return g.left <= p.x && p.x < g.right && g.top <= p.y && p.y < g.bottom;
}

// Number of cells on ring n, and on all rings before it.
inline uint64_t RingCellCount(int64_t n) { return n == 0 ? 1u : 8u * static_cast<uint64_t>(n); }
// (2n - 1)^2, wrapping at 64 bits: the random state only needs it modulo 65536.
inline uint64_t CellsBeforeRing(int64_t n)
{
    if (n == 0) return 0;
    const uint64_t side = 2u * static_cast<uint64_t>(n) - 1u;
    return side * side;
}

// True when every value the walk computes with is finite (and below 2^60); otherwise only
// ring 0 can hold a usable cell and the walk looks at nothing else.
bool IsFiniteGrid(const GridGeometry& g);

RingRange FindRingRange(const GridGeometry& g);
RingCells FindRingCells(const GridGeometry& g, int64_t n);

// Calls onRing(const RingCells&) for each ring the walk reaches, in order, from the first
// ring that can hold an inside cell; the walk stops after the first ring without inside
// cells that follows one with, or when onRing returns false.
template <class OnRing>
void WalkRings(const GridGeometry& g, OnRing&& onRing)
{
    const RingRange range = FindRingRange(g);
    bool any = false;
    for (int64_t n = range.first;; ++n) {
        if (!any && n > range.last) return;  // nothing inside, now or later
        const RingCells cells = FindRingCells(g, n);
        if (!onRing(cells)) return;
        const bool made = cells.Count() > 0;
        if (any && !made) return;
        any = any || made;
    }
}

// Calls visit(index, px, py) for the inside cells of a ring in walk order, with the cell's
// index on the ring and its rotated position.
template <class Visit>
void ForEachInsideCell(const GridGeometry& g, const RingCells& cells, Visit&& visit)
{
    const int64_t n = cells.ring;
    const double nd = static_cast<double>(n);
    const double y0 = g.cy - nd * g.sy;
    const double x0 = g.cx - nd * g.sx;
    if (n == 0) {
        if (!cells.top.Empty()) {
            const GridPoint p = RotateCell(g, x0, y0);
            visit(uint64_t{0}, p.x, p.y);
        }
        return;
    }
    const uint64_t side = 2u * static_cast<uint64_t>(n);  // last row and column index
    auto row = [&](double y, const CellSpan& span, uint64_t base) {
        if (span.Empty()) return;
        double x = AdvanceRunningSum(x0, g.sx, static_cast<uint64_t>(span.first));
        for (int64_t c = span.first;; ++c) {
            const GridPoint p = RotateCell(g, x, y);
            visit(base + static_cast<uint64_t>(c), p.x, p.y);
            if (c == span.last) break;
            x += g.sx;
        }
    };
    row(y0, cells.top, 0);

    // Left and right cells of rows 1 .. 2n-1, merged in row order.
    if (!cells.left.Empty() || !cells.right.Empty()) {
        const double xRight = AdvanceRunningSum(x0, g.sx, side);
        const CellSpan& a = cells.left;
        const CellSpan& b = cells.right;
        int64_t r = a.Empty() ? b.first : (b.Empty() ? a.first : (a.first < b.first ? a.first : b.first));
        int64_t yRow = r;
        double y = AdvanceRunningSum(y0, g.sy, static_cast<uint64_t>(r));
        for (;;) {
            if (yRow != r) {
                y = r == yRow + 1 ? y + g.sy : AdvanceRunningSum(y, g.sy, static_cast<uint64_t>(r - yRow));
                yRow = r;
            }
            const uint64_t base = side + 1u + 2u * static_cast<uint64_t>(r - 1);
            if (r >= a.first && r <= a.last) {
                const GridPoint p = RotateCell(g, x0, y);
                visit(base, p.x, p.y);
            }
            if (r >= b.first && r <= b.last) {
                const GridPoint p = RotateCell(g, xRight, y);
                visit(base + 1u, p.x, p.y);
            }
            // Next row that holds an inside cell.
            int64_t nextRow = INT64_MAX;
            if (!a.Empty()) {
                if (r + 1 <= a.last) nextRow = r + 1 >= a.first ? r + 1 : a.first;
            }
            if (!b.Empty() && r + 1 <= b.last) {
                const int64_t nb = r + 1 >= b.first ? r + 1 : b.first;
                if (nb < nextRow) nextRow = nb;
            }
            if (nextRow == INT64_MAX) break;
            r = nextRow;
        }
    }

    if (!cells.bottom.Empty()) row(AdvanceRunningSum(y0, g.sy, side), cells.bottom, 3u * side - 1u);
}

// Total inside cells of the walk, or a value above `limit` as soon as it is clear that
// there are more than `limit`.
uint64_t CountInsideCells(const GridGeometry& g, uint64_t limit);

// One ring of the walk with the random source: visit(px, py) runs for every inside cell of
// the ring in walk order with `random` standing where a cell-by-cell walk would have it, and
// must take exactly kDrawsPerDot draws.  `random` stands at the ring's first cell before
// and at the next ring's first cell after.
template <class Visit>
void WalkRingCells(const GridGeometry& g, const RingCells& cells, DotRandom& random, Visit&& visit)
{
    uint64_t next = 0;  // first cell of the ring not yet paid for
    ForEachInsideCell(g, cells, [&](uint64_t index, double px, double py) {
        random.Skip(kDrawsPerDot * (index - next));
        visit(px, py);
        next = index + 1;
    });
    random.Skip(kDrawsPerDot * (RingCellCount(cells.ring) - next));
}

// The walk with the random source: WalkRingCells over every ring of the walk, `random`
// standing at the first ring's first cell to begin with.  After the walk `random` stands
// where the cell-by-cell walk leaves it.
template <class Visit>
void WalkGrid(const GridGeometry& g, DotRandom& random, Visit&& visit)
{
    bool started = false;
    WalkRings(g, [&](const RingCells& cells) {
        if (!started) {
            random.Skip(kDrawsPerDot * CellsBeforeRing(cells.ring));
            started = true;
        }
        WalkRingCells(g, cells, random, visit);
        return true;
    });
}

}  // namespace Render
