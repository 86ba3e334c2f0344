#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/layout/GridWalk.h"

using namespace Render;

namespace {

struct Visited {
    double px, py;
    uint32_t state;  // random state when the cell was reached
    bool operator==(const Visited& o) const { return px == o.px && py == o.py && state == o.state; }
};

// The walk cell by cell, as plainly as it can be written: every ring, every row, every
// column, running sums for the coordinates.  Gives up after maxRing rings (a frame that
// no cell reaches would otherwise never end).
std::vector<Visited> PlainWalk(const GridGeometry& g, DotRandom& random, int64_t maxRing)
{
    std::vector<Visited> out;
    bool any = false;
    for (int64_t n = 0; n <= maxRing; ++n) {
        bool made = false;
        double y = g.cy - static_cast<double>(n) * g.sy;
        for (int64_t r = 0; r <= 2 * n; ++r) {
            double x = g.cx - static_cast<double>(n) * g.sx;
            for (int64_t c = 0; c <= 2 * n; ++c) {
                if (r == 0 || r == 2 * n || c == 0 || c == 2 * n) {
                    const double px = (x - g.rx) * g.cosR - (y - g.ry) * g.sinR + g.rx;
                    const double py = (x - g.rx) * g.sinR + (y - g.ry) * g.cosR + g.ry;
                    if (g.left <= px && px < g.right && g.top <= py && py < g.bottom) {
                        out.push_back({px, py, random.State()});
                        made = true;
                    }
                    for (int k = 0; k < 9; ++k) random.Next();
                }
                x += g.sx;
            }
            y += g.sy;
        }
        if (any && !made) break;
        any = any || made;
    }
    return out;
}

std::vector<Visited> FastWalk(const GridGeometry& g, DotRandom& random)
{
    std::vector<Visited> out;
    WalkGrid(g, random, [&](double px, double py) {
        out.push_back({px, py, random.State()});
        for (int k = 0; k < 9; ++k) random.Next();
    });
    return out;
}

GridGeometry Geometry(double cx, double cy, double sx, double sy, double degrees, double rx, double ry,
                      double width, double height, double rDistX = 0, double rDistY = 0)
{
    GridGeometry g;
    g.cx = cx; g.cy = cy; g.sx = sx; g.sy = sy; g.rx = rx; g.ry = ry;
    const double a = degrees * 0.017453292519943295;
    g.cosR = std::cos(a);
    g.sinR = std::sin(a);
    const double bx = sx * rDistX + sx, by = sy * rDistY + sy;
    g.left = -bx; g.right = width + bx; g.top = -by; g.bottom = height + by;
    return g;
}

void ExpectSameWalk(const GridGeometry& g, uint32_t seed, int64_t maxRing)
{
    DotRandom plainRandom(seed), fastRandom(seed);
    const std::vector<Visited> plain = PlainWalk(g, plainRandom, maxRing);
    const std::vector<Visited> fast = FastWalk(g, fastRandom);
    ASSERT_EQ(plain.size(), fast.size());
    for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(plain[i], fast[i]) << "cell " << i;
    ASSERT_EQ(plainRandom.State(), fastRandom.State());
    ASSERT_EQ(CountInsideCells(g, UINT64_MAX), fast.size());
}

}  // namespace

TEST(GridWalk, UnrotatedGridAroundTheCentre)
{
    // 100 x 60 layer, steps 30, centre (50, 30): the extended frame is [-30, 130) x
    // [-30, 90), so cells sit at x = -10, 20, 50, 80, 110 and y = -30, 0, 30, 60.
    const GridGeometry g = Geometry(50, 30, 30, 30, 0, 50, 30, 100, 60);
    DotRandom random(0);
    const std::vector<Visited> cells = FastWalk(g, random);
    ASSERT_EQ(cells.size(), 20u);  // ring 0: 1, ring 1: 8, ring 2: 5 + 2 * 3 (its bottom row is out)
    auto stateAfterCells = [](uint64_t cellsBefore) {
        DotRandom r(0);
        r.Skip(9 * cellsBefore);
        return r.State();
    };
    // Ring 0 is the centre itself; then ring 1's top row, left to right.
    EXPECT_EQ(cells[0].px, 50);
    EXPECT_EQ(cells[0].py, 30);
    EXPECT_EQ(cells[0].state, 0u);
    EXPECT_EQ(cells[1].px, 20);
    EXPECT_EQ(cells[1].py, 0);
    EXPECT_EQ(cells[1].state, stateAfterCells(1));
    EXPECT_EQ(cells[3].px, 80);
    EXPECT_EQ(cells[4].px, 20);  // ring 1, row 1: left cell, then right
    EXPECT_EQ(cells[4].py, 30);
    EXPECT_EQ(cells[5].px, 80);
    EXPECT_EQ(cells[8].py, 60);  // ring 1 ends at its bottom-right cell
    EXPECT_EQ(cells[8].px, 80);
    // Ring 2 starts with its full top row at y = -30.
    EXPECT_EQ(cells[9].px, -10);
    EXPECT_EQ(cells[9].py, -30);
    EXPECT_EQ(cells[9].state, stateAfterCells(9));
    EXPECT_EQ(cells[13].px, 110);
    // Then its side cells for rows 0, 30, 60, left before right.
    EXPECT_EQ(cells[14].px, -10);
    EXPECT_EQ(cells[14].py, 0);
    EXPECT_EQ(cells[15].px, 110);
    EXPECT_EQ(cells[19].py, 60);
    EXPECT_EQ(cells[19].state, stateAfterCells(9 + 5 + 5));  // row 3 of ring 2: cell index 10
    // Ring 2 has 16 cells, ring 3 (24 cells, none inside) ends the walk.
    EXPECT_EQ(random.State(), stateAfterCells(1 + 8 + 16 + 24));
    ExpectSameWalk(g, 0, 20);
}

TEST(GridWalk, RotatedGridsMatchThePlainWalk)
{
    // Quarter turns, about the grid centre and about another point.
    for (double degrees : {90.0, 180.0, 270.0, 45.0, -30.0, 0.5}) {
        ExpectSameWalk(Geometry(50, 30, 12, 17, degrees, 50, 30, 100, 60), 77, 100);
        ExpectSameWalk(Geometry(50, 30, 12, 17, degrees, 0, 0, 100, 60), 77, 100);
        if (HasFatalFailure()) return;
    }
}

TEST(GridWalk, DistantCentreReachesTheFrame)
{
    // Centre far to the upper left: rings grow until they reach the layer and stop after
    // the first ring past it without a cell inside.
    const GridGeometry g = Geometry(-500, -500, 30, 30, 0, -500, -500, 192, 108);
    ExpectSameWalk(g, 5, 100);
    DotRandom random(5);
    const std::vector<Visited> cells = FastWalk(g, random);
    ASSERT_FALSE(cells.empty());
    for (const Visited& v : cells) {
        EXPECT_GE(v.px, -30);
        EXPECT_LT(v.px, 192 + 30);
    }
}

TEST(GridWalk, RandomGridsMatchThePlainWalk)
{
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> centre(-300, 500), step(3, 45), unit(0, 1);
    std::uniform_int_distribution<int> size(0, 240), angle(-720, 720);
    for (int i = 0; i < 200; ++i) {
        double sx = i % 4 == 0 ? std::floor(step(rng)) : step(rng);
        if (i % 50 == 0) sx = 1;
        const double sy = i % 7 == 0 ? sx : step(rng);
        double degrees = angle(rng) * 0.5;
        if (i % 5 == 0) degrees = 90.0 * (i % 4);
        const double cx = centre(rng), cy = centre(rng);
        const bool aboutCentre = i % 3 == 0;
        const GridGeometry g = Geometry(cx, cy, sx, sy, degrees, aboutCentre ? cx : centre(rng),
                                        aboutCentre ? cy : centre(rng), size(rng), size(rng),
                                        unit(rng) < 0.3 ? 3 * unit(rng) : 0, unit(rng) < 0.3 ? 3 * unit(rng) : 0);
        // Enough rings for every one of these frames to be passed by the plain walk.
        ExpectSameWalk(g, rng() & 0xFFFFu, 2000);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "grid " << i << ": centre " << cx << "," << cy << " steps " << sx << "," << sy
                          << " angle " << degrees;
            return;
        }
    }
}

TEST(GridWalk, FarAwayCentreCostsOnlyTheInsideCells)
{
    // Steps of one pixel with the centre 30000 pixels away: a cell-by-cell walk would pass
    // some 3.6 * 10^9 cells before the first one inside; here only the inside cells are
    // visited.  The frame [-1, 41) x [-1, 31) holds 42 x 32 cells.
    const GridGeometry g = Geometry(-30000, -30000, 1, 1, 0, -30000, -30000, 40, 30);
    DotRandom random(1);
    const std::vector<Visited> cells = FastWalk(g, random);
    EXPECT_EQ(cells.size(), 42u * 32u);
    EXPECT_EQ(CountInsideCells(g, UINT64_MAX), cells.size());
    // The first inside cell, (-1, -1), is the last cell (bottom-right corner) of ring
    // 29999: it is reached after all earlier rings and the 8n - 1 cells before it.
    const int64_t n = 29999;
    DotRandom expect(1);
    expect.Skip(9u * (CellsBeforeRing(n) + 8u * n - 1u));
    EXPECT_EQ(cells.front().px, -1);
    EXPECT_EQ(cells.front().py, -1);
    EXPECT_EQ(cells.front().state, expect.State());
    // The walk ends with the ring after the frame's far corner (40, 30), ring 30040.
    DotRandom end(1);
    end.Skip(9u * CellsBeforeRing(30042));
    EXPECT_EQ(random.State(), end.State());
}

TEST(GridWalk, EmptyOrUnreachableFramesEnd)
{
    // A frame with no room (random distance -1 makes the extension 0 on an empty layer).
    GridGeometry empty = Geometry(0, 0, 10, 10, 0, 0, 0, 0, 0, -1, -1);
    DotRandom random(3);
    EXPECT_TRUE(FastWalk(empty, random).empty());
    EXPECT_EQ(CountInsideCells(empty, 100), 0u);
    // A huge step puts every cell but the centre out of reach.
    GridGeometry huge = Geometry(-5, -5, INFINITY, 10, 0, 0, 0, 100, 100);
    EXPECT_TRUE(FastWalk(huge, random).empty());
    // Even the centre cell is lost there: Cx - 0 * infinity is not a number.
    GridGeometry hugeInside = Geometry(5, 5, INFINITY, 10, 0, 0, 0, 100, 100);
    EXPECT_TRUE(FastWalk(hugeInside, random).empty());
}

TEST(GridWalk, CountStopsAtTheLimit)
{
    // Steps of 1 over a 2000 x 2000 layer hold 2002^2 cells; counting stops just past 1000.
    const GridGeometry g = Geometry(1000, 1000, 1, 1, 0, 1000, 1000, 2000, 2000);
    const uint64_t counted = CountInsideCells(g, 1000);
    EXPECT_GT(counted, 1000u);
    EXPECT_LT(counted, 20000u);
    EXPECT_EQ(CountInsideCells(Geometry(1000, 1000, 10, 10, 0, 1000, 1000, 2000, 2000), UINT64_MAX), 202u * 202u);
}
