// The rasteriser against the reference it replaced (render/raster/reference/): the same
// count for every pixel, over seeded outlines of every kind — dot shapes at any size,
// rotation and position, random polygons with crossings and repeated points, outlines far
// larger than the layer or far beyond it, and degenerate ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "look/Choices.h"
#include "render/drawing/DotCanvas.h"
#include "render/raster/DotShapes.h"
#include "render/raster/PixelWriter.h"
#include "render/raster/PolygonRasterizer.h"
#include "render/raster/reference/ReferenceRasterizer.h"
#include "tests/render/raster/RasterOracle.h"

using namespace Look;
using namespace Render;

namespace {

constexpr int kWidth = 61;
constexpr int kHeight = 47;

// Fills `list` through `t` with both rasterisers and compares every pixel.
void ExpectSameCounts(const VertexList& list, const AffineTransform& t, const std::string& what) {
    PolygonRasterizer raster(kWidth, kHeight);
    reference::PolygonRasterizer ref(kWidth, kHeight);
    oracle::CountingSink got(kWidth, kHeight), want(kWidth, kHeight);
    VertexList a = list, b = list;
    raster.Fill(a, t, got);
    ref.Fill(b, t, want);
    ASSERT_EQ(raster.LastPath(), ref.LastPath()) << what;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(got.At(x, y), want.At(x, y)) << what << " pixel " << x << "," << y;
        }
    }
}

AffineTransform Placement(double cx, double cy, double theta) {
    AffineTransform t;
    t.Translate(cx, cy);
    t.Rotate(theta);
    return t;
}

TEST(RasterReference, DotShapesAtEverySizeRotationAndPosition) {
    std::mt19937 rng(14);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Sizes from sub-pixel to far larger than the layer; centres inside, near and beyond it.
    const double sizes[] = {0.3, 1.7, 6.0, 23.5, 80.0, 400.0, 5e4, 3e7};
    for (int shape = kDotShapeCircle; shape <= kDotShapeDiamond; ++shape) {
        for (double size : sizes) {
            for (int trial = 0; trial < 40; ++trial) {
                const double reach = trial % 4 == 0 ? 4.0 : 1.2;
                const double cx = (unit(rng) * reach - (reach - 1) / 2) * kWidth;
                const double cy = (unit(rng) * reach - (reach - 1) / 2) * kHeight;
                const double theta = trial % 5 == 0 ? (trial % 10) * 1.5707963267948966 : unit(rng) * 6.3;
                const double w = size * (0.3 + unit(rng)), h = size * (trial % 3 == 0 ? 1.0 : 0.2 + unit(rng));
                const AffineTransform t = Placement(cx, cy, theta);
                VertexList list;
                BuildDotOutline(list, t, shape, w, h);
                ExpectSameCounts(list, t, "shape " + std::to_string(shape) + " size " + std::to_string(size) +
                                              " trial " + std::to_string(trial));
            }
        }
    }
}

TEST(RasterReference, RandomPolygonsWithCrossingsRepeatsAndDegenerateEdges) {
    std::mt19937 rng(1414);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 3000; ++trial) {
        VertexList list;
        const int n = 3 + static_cast<int>(rng() % 14);
        // Every fifth a few pixels across, well inside the layer (the small outlines' rows).
        const bool small = trial % 5 == 1;
        const double scale = small ? 2.0 + (trial % 4) * 4.0 : trial % 7 == 0 ? 1e6 : (trial % 3 == 0 ? 300.0 : 80.0);
        const double offset = small ? 10.0 + unit(rng) * 20.0 : 0.0;
        for (int i = 0; i < n; ++i) {
            double x = (unit(rng) - 0.3) * scale + offset, y = (unit(rng) - 0.3) * scale + offset;
            switch (rng() % 8) {
                case 0: if (i > 0) { x = list[i - 1].x; y = list[i - 1].y; } break;  // repeated point
                case 1: if (i > 0) y = list[i - 1].y; break;                          // horizontal edge
                case 2: if (i > 0) x = list[i - 1].x; break;                          // vertical edge
                case 3: x = std::round(x); y = std::round(y * 8) / 8; break;          // on the sample grid
                default: break;
            }
            list.AddVertex(x, y);
        }
        const AffineTransform t = trial % 2 || small ? AffineTransform::Identity()
                                                    : Placement(unit(rng) * 20, unit(rng) * 20, unit(rng));
        ExpectSameCounts(list, t, "polygon trial " + std::to_string(trial));
    }
}

// Lays the reference's counts down with the pixel writer, as the filler does with its own.
template <class P>
class ReferenceLayer final : public CoverageSink {
public:
    ReferenceLayer(std::vector<P>& pixels, int width) : pixels_(pixels), width_(width) {}
    void SetColor(const P& color) { writer_.SetColor(color); }
    void WriteRow(int32_t y, const CoverageRun* runs, size_t count) override {
        for (size_t i = 0; i < count; ++i)
            writer_.WriteRun(&pixels_[static_cast<size_t>(y) * width_ + runs[i].x], runs[i].length, runs[i].count);
    }

private:
    std::vector<P>& pixels_;
    int width_;
    PixelWriter<P> writer_;
};

// The canvas's pixels against the reference's counts laid down by the same writer: many
// overlapping dots, mostly a few pixels across (counted a row at once), of random colours
// and opacities, in the three depths.
template <class P>
void ExpectSameLayer() {
    using T = PixelTraits<P>;
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<P> got(static_cast<size_t>(kWidth) * kHeight, P{}), want = got;
    DotCanvas<P> canvas(got.data(), kWidth, kHeight, kWidth * static_cast<int32_t>(sizeof(P)));
    reference::PolygonRasterizer ref(kWidth, kHeight);
    ReferenceLayer<P> layer(want, kWidth);
    for (int i = 0; i < 3000; ++i) {
        const double size = i % 10 == 0 ? 25.0 * unit(rng) : 0.5 + 12.0 * unit(rng);
        const auto channel = [&] { return T::FromByte(static_cast<uint8_t>(rng() % 256)); };
        const P colour{i % 3 == 0 ? T::Full() : channel(), channel(), channel(), channel()};
        const DotRecord<P> dot{-1.0, unit(rng) * kWidth, unit(rng) * kHeight, colour, size, size * (0.3 + unit(rng)),
                               unit(rng) * 6.3, kDotShapeCircle + static_cast<int32_t>(rng() % 6)};
        DrawDot(canvas, dot);
        AffineTransform t = Placement(dot.x, dot.y, dot.rotation);
        VertexList list;
        BuildDotOutline(list, t, dot.shape, dot.width, dot.height);
        layer.SetColor(colour);
        ref.Fill(list, t, layer);
    }
    ASSERT_EQ(0, std::memcmp(got.data(), want.data(), got.size() * sizeof(P)));
}

TEST(RasterReference, CanvasPixelsInEveryDepth) {
    ExpectSameLayer<Pixel8>();
    ExpectSameLayer<Pixel16>();
    ExpectSameLayer<Pixel32>();
}

}  // namespace

// The 8-bit blend divides by multiplying: every quotient it can meet must be exact.
TEST(RasterReference, ByteDivisionByMultiplicationIsExact) {
    for (uint32_t d = 1; d < 256; ++d) {
        for (uint32_t n = 0; n < (1u << 17); ++n) {
            if (kByteDivisors.Divide(n, d) != n / d) FAIL() << n << " / " << d;
        }
    }
}
