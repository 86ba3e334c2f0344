// The grid walk: its cost follows the cells inside the frame, not the distance of the grid
// centre; a cell-by-cell walk is shown beside it for the distant case.
#include <benchmark/benchmark.h>

#include <cmath>

#include "look/ParamValues.h"
#include "render/layout/DotGrid.h"
#include "render/layout/GridWalk.h"

using namespace Look;
using namespace Render;

namespace {

GridGeometry Geometry(double cx, double cy, double step, double degrees, double width, double height)
{
    GridGeometry g;
    g.cx = cx;
    g.cy = cy;
    g.sx = g.sy = step;
    g.rx = cx;
    g.ry = cy;
    g.cosR = std::cos(degrees * 0.017453292519943295);
    g.sinR = std::sin(degrees * 0.017453292519943295);
    g.left = -step;
    g.right = width + step;
    g.top = -step;
    g.bottom = height + step;
    return g;
}

// Walk with a visitor that only takes its 9 draws.
void BM_GridWalk(benchmark::State& state, double cx, double cy, double step, double degrees)
{
    const GridGeometry g = Geometry(cx, cy, step, degrees, 1920, 1080);
    uint64_t cells = 0;
    for (auto _ : state) {
        DotRandom random(1);
        WalkGrid(g, random, [&](double, double) {
            random.Skip(9);
            ++cells;
        });
        benchmark::DoNotOptimize(random.State());
    }
    state.SetItemsProcessed(static_cast<int64_t>(cells));
}

// The same walk cell by cell, every ring from the centre out.
void BM_CellByCellWalk(benchmark::State& state, double cx, double cy, double step, double degrees)
{
    const GridGeometry g = Geometry(cx, cy, step, degrees, 1920, 1080);
    uint64_t cells = 0;
    for (auto _ : state) {
        DotRandom random(1);
        bool any = false;
        for (int64_t n = 0;; ++n) {
            bool made = false;
            double y = g.cy - static_cast<double>(n) * g.sy;
            for (int64_t r = 0; r <= 2 * n; ++r, y += g.sy) {
                double x = g.cx - static_cast<double>(n) * g.sx;
                for (int64_t c = 0; c <= 2 * n; ++c, x += g.sx) {
                    if (r != 0 && r != 2 * n && c != 0 && c != 2 * n) continue;
                    if (InsideFrame(g, RotateCell(g, x, y))) {
                        made = true;
                        ++cells;
                    }
                    random.Skip(9);
                }
            }
            if (any && !made) break;
            any = any || made;
        }
        benchmark::DoNotOptimize(random.State());
    }
    state.SetItemsProcessed(static_cast<int64_t>(cells));
}

// The whole layout of a default 1920 x 1080 frame (no effectors): walk, draws, colours.
void BM_LayOutDots(benchmark::State& state)
{
    ParamValues v{};
    v.dotShape = 1;
    v.dotColor = PF_Pixel{255, 255, 255, 255};
    v.dotSize = 10;
    v.rotationType = 1;
    v.dotOpacity = 100;
    v.distanceBetween = 1;
    v.dotDistanceX = v.dotDistanceY = static_cast<double>(state.range(0));
    v.centerPosition = {960 << 16, 540 << 16};
    v.globalRotationCenter = 1;
    const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(v, 0, 1, 1920, 1080);
    uint64_t dots = 0;
    for (auto _ : state) {
        DotList<Pixel8> list;
        uint64_t count = 0;
        LayOutDots(f, [](DotState<Pixel8>&, bool) {}, list, count);
        dots += list.dots.size();
        benchmark::DoNotOptimize(list.dots.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(dots));
}

}  // namespace

BENCHMARK_CAPTURE(BM_GridWalk, CentreInside, 960, 540, 30, 0);
BENCHMARK_CAPTURE(BM_GridWalk, CentreInsideTurned, 960, 540, 30, 30);
BENCHMARK_CAPTURE(BM_GridWalk, CentreAway3000, -3000, -3000, 30, 0);
BENCHMARK_CAPTURE(BM_GridWalk, CentreAway30000, -30000, -30000, 30, 0);
BENCHMARK_CAPTURE(BM_GridWalk, CentreAway30000Turned, -30000, -30000, 30, 30);
BENCHMARK_CAPTURE(BM_CellByCellWalk, CentreInside, 960, 540, 30, 0);
BENCHMARK_CAPTURE(BM_CellByCellWalk, CentreAway3000, -3000, -3000, 30, 0);
BENCHMARK(BM_LayOutDots)->Arg(20)->Arg(1);
