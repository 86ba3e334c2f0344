// Our coverage against Anti-Grain Geometry's (exact cell areas, no gamma, non-zero fill) on
// outlines like the benchmarks': every shape at random positions, rotations and aspects.
// Compared where the two pictures are the same: from 32 pixels up.  Below that they are not:
// AGG inks about 1% above the exact area at 2 pixels, and our general (non-convex) path
// covers one more sample than the span's exact width on every sub-row (both span ends
// round in), which adds 17% to a 2-pixel Cross; AGG's coverage of the self-crossing Star
// sums its windings within a pixel.  Built where AGG is installed.
#include <gtest/gtest.h>

#include <agg_rasterizer_scanline_aa.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/raster/DotShapes.h"
#include "render/raster/PolygonRasterizer.h"

using namespace Render;

namespace {

// Coverage of every pixel of a square image on the 0..1 scale.
class CoverageImage final : public CoverageSink {
public:
    explicit CoverageImage(int side) : side_(side), cover_(static_cast<size_t>(side) * side, 0.0) {}
    void WriteRow(int32_t y, const CoverageRun* runs, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            for (int32_t x = runs[i].x; x < runs[i].x + runs[i].length; ++x) cover_[y * side_ + x] = runs[i].count / 64.0;
        }
    }
    int side_;
    std::vector<double> cover_;
};

std::vector<double> AggCoverage(const VertexList& list, const AffineTransform& t, int side) {
    agg::rasterizer_scanline_aa<> raster;
    raster.filling_rule(agg::fill_non_zero);
    raster.gamma(agg::gamma_none());
    raster.clip_box(0, 0, side, side);
    for (size_t i = 0; i < list.size(); ++i) {
        const double x = t.MapX(list[i].x, list[i].y), y = t.MapY(list[i].x, list[i].y);
        if (i == 0) raster.move_to_d(x, y); else raster.line_to_d(x, y);
    }
    raster.close_polygon();
    std::vector<double> cover(static_cast<size_t>(side) * side, 0.0);
    agg::scanline_u8 line;
    if (!raster.rewind_scanlines()) return cover;
    line.reset(raster.min_x(), raster.max_x());
    while (raster.sweep_scanline(line)) {
        auto span = line.begin();
        for (unsigned n = line.num_spans(); n > 0; --n, ++span) {
            for (int k = 0; k < span->len; ++k) cover[line.y() * side + span->x + k] = span->covers[k] / 255.0;
        }
    }
    return cover;
}

TEST(AggCoverage, SameInkAndEdgesAsAgg) {
    std::mt19937 rng(26);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int shape = Look::kDotShapeCircle; shape <= Look::kDotShapeDiamond; ++shape) {
        for (double size : {32.0, 128.0, 512.0}) {
            const std::string what = "shape " + std::to_string(shape) + " size " + std::to_string(size);
            // An image around the dot (a 512-pixel one reaches past it, clipped alike).
            const int side = std::min(600, static_cast<int>(size * 1.5) + 8);
            double ours = 0, theirs = 0, apart = 0;
            for (int dot = 0; dot < 24; ++dot) {
                AffineTransform t;
                t.Translate(side * (0.4 + 0.2 * unit(rng)), side * (0.4 + 0.2 * unit(rng)));
                t.Rotate(unit(rng) * 2 * kPi);
                VertexList list;
                BuildDotOutline(list, t, shape, size, size * (0.5 + 0.5 * unit(rng)));
                const std::vector<double> want = AggCoverage(list, t, side);
                CoverageImage got(side);
                PolygonRasterizer(side, side).Fill(list, t, got);
                for (size_t i = 0; i < want.size(); ++i) {
                    ours += got.cover_[i];
                    theirs += want[i];
                    apart += std::fabs(got.cover_[i] - want[i]);
                }
            }
            // The same ink within 1% (2% at 32 pixels, where the general path's extra
            // sample per span adds 1.2% to a Cross and the Star's tips differ), and the
            // edges in the same places: little difference pixel by pixel.
            EXPECT_NEAR(ours, theirs, (size < 100 ? 0.02 : 0.01) * theirs) << what;
            EXPECT_LT(apart, 0.04 * theirs) << what;
        }
    }
}

}  // namespace
