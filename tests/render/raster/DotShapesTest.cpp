// Dot outlines and DrawDot: vertex lists as laid down, the circle's point count and its
// bound, and what a drawn dot leaves in the canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/drawing/DotCanvas.h"
#include "render/raster/DotShapes.h"
#include "render/raster/HalfDegreeTable.h"
#include "render/raster/PolygonRasterizer.h"
#include "tests/render/raster/RasterOracle.h"

using namespace Look;
using namespace Render;

namespace {

AffineTransform Placement(double cx, double cy, double theta) {
    AffineTransform t;
    t.Translate(cx, cy);
    t.Rotate(theta);
    return t;
}

TEST(HalfDegreeTable, HoldsCosAndSinOfEveryHalfDegree) {
    for (int i = 0; i < kHalfDegreeSteps; ++i) {
        EXPECT_NEAR(COS_HALF_DEGREE[i], std::cos(i * kPi / 360), 4e-15);
        EXPECT_NEAR(SIN_HALF_DEGREE[i], std::sin(i * kPi / 360), 4e-15);
    }
    EXPECT_EQ(COS_HALF_DEGREE[180], 0.0);
    EXPECT_EQ(SIN_HALF_DEGREE[360], 0.0);
    EXPECT_EQ(SIN_HALF_DEGREE[180], 1.0);
}

TEST(DotShapes, CircleSegmentCount) {
    EXPECT_EQ(CircleSegmentCount(100, 100), 111);  // 141.42 * pi / 4
    EXPECT_EQ(CircleSegmentCount(7, 7), 8);        // octagon below ~10.2 pixels of diagonal
    EXPECT_EQ(CircleSegmentCount(0, 0), 8);
    EXPECT_EQ(CircleSegmentCount(1e300, 1e300), CircleSegmentCount(1e200, 1e200));  // no overflow
    EXPECT_GT(CircleSegmentCount(1e12, 0), 720);
    // The transformed diagonal does not depend on the rotation.
    const AffineTransform t = Placement(5, 5, 0.7);
    EXPECT_EQ(CircleSegmentCount(t.a * 100 + t.b * 100, t.c * 100 + t.d * 100), 111);
}

TEST(DotShapes, CirclePointsStartOnTheXAxisAtTableAngles) {
    VertexList list;
    AddCircle(list, AffineTransform::Identity(), 0, 0, 100, 60);
    ASSERT_EQ(list.size(), 8u * 0 + static_cast<size_t>(CircleSegmentCount(100, 60)));
    EXPECT_EQ(list[0].x, 50.0);
    EXPECT_EQ(list[0].y, 0.0);
    const double step = 720.0 / list.size();
    double t = 0;
    for (size_t k = 0; k < list.size(); ++k, t += step) {
        EXPECT_EQ(list[k].x, 50 * COS_HALF_DEGREE[static_cast<int>(t)]);
        EXPECT_EQ(list[k].y, 30 * SIN_HALF_DEGREE[static_cast<int>(t)]);
    }
    AddCircle(list, AffineTransform::Identity(), 0, 0, 3, 3);
    EXPECT_EQ(list.size(), 8u);
}

// The point list as the plain rule lays it down, repeats included.
VertexList LiteralCircle(double w, double h, int64_t n) {
    VertexList list;
    const double step = 720.0 / static_cast<double>(n);
    double t = 0;
    for (int64_t k = 0; k < n; ++k, t += step) {
        const int index = static_cast<int>(t) % 720;
        list.AddVertex(w / 2 * COS_HALF_DEGREE[index], h / 2 * SIN_HALF_DEGREE[index]);
    }
    return list;
}

TEST(DotShapes, LargeCirclesDropRepeatedPointsWithoutChangingCoverage) {
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> size(950, 2600), angle(0, 2 * kPi), pos(-900, 900);
    constexpr int kW = 96, kH = 80;
    for (int i = 0; i < 40; ++i) {
        const double w = size(rng), h = i % 5 == 0 ? 0.6 * size(rng) : size(rng), theta = angle(rng);
        const AffineTransform t = Placement(48 + pos(rng), 40 + pos(rng), theta);
        const int64_t n = CircleSegmentCount(t.a * w + t.b * h, t.c * w + t.d * h);
        ASSERT_GT(n, 720);
        VertexList bounded;
        AddCircle(bounded, t, 0, 0, w, h);
        EXPECT_LE(bounded.size(), 720u);
        VertexList literal = LiteralCircle(w, h, n);

        PolygonRasterizer raster(kW, kH);
        oracle::CountingSink a(kW, kH), b(kW, kH);
        raster.Fill(bounded, t, a);
        const FillPath pathA = raster.LastPath();
        raster.Fill(literal, t, b);
        EXPECT_EQ(pathA, raster.LastPath());
        ASSERT_EQ(a.Counts(), b.Counts()) << w << "x" << h << " rotation " << theta;
    }
    // Huge circles: at most the whole table, each entry once.
    VertexList huge;
    AddCircle(huge, AffineTransform::Identity(), 0, 0, 1e12, 1e12);
    EXPECT_EQ(huge.size(), 720u);
}

// Each side of a round square: its straight piece, then the corner arc that follows it,
// ten points 9 degrees apart on the ellipse of radii 0.2 w and 0.2 h around the corner
// centre (y grows downward).  Positions in fractions of the width and height from the top
// left corner.
struct RoundSquareSide {
    double fromX, fromY, toX, toY;  // the straight piece
    double centreX, centreY;        // the centre of the arc after it
    double startDegrees;            // where the arc starts
};
constexpr RoundSquareSide kRoundSquareSides[] = {
    {0.2, 0.0, 0.8, 0.0, 0.8, 0.2, 270},  // top, then the top right arc
    {1.0, 0.2, 1.0, 0.8, 0.8, 0.8, 0},    // right, then bottom right
    {0.8, 1.0, 0.2, 1.0, 0.2, 0.8, 90},   // bottom, then bottom left
    {0.0, 0.8, 0.0, 0.2, 0.2, 0.2, 180},  // left, then top left
};

TEST(DotShapes, RoundSquareOutlineVertexByVertex) {
    const double w = 50, h = 30, cx = 7, cy = -4;
    VertexList list;
    AddRoundSquare(list, cx, cy, w, h);
    ASSERT_EQ(list.size(), 48u);
    const double left = cx - w / 2, top = cy - h / 2;
    size_t k = 0;
    auto expect = [&](double x, double y, const char* what) {
        EXPECT_NEAR(list[k].x, x, 1e-12) << what << ", point " << k;
        EXPECT_NEAR(list[k].y, y, 1e-12) << what << ", point " << k;
        ++k;
    };
    for (const RoundSquareSide& side : kRoundSquareSides) {
        expect(left + side.fromX * w, top + side.fromY * h, "straight");
        expect(left + side.toX * w, top + side.toY * h, "straight");
        for (int i = 0; i < 10; ++i) {
            const double phi = (side.startDegrees + 9 * i) * kPi / 180;
            expect(left + side.centreX * w + 0.2 * w * std::cos(phi),
                   top + side.centreY * h + 0.2 * h * std::sin(phi), "arc");
        }
    }
}

TEST(DotShapes, CrossUsesItsTwoArmConstants) {
    VertexList list;
    AddCross(list, 0, 0, 10, 20);
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(0.6499999999999999, std::nextafter(0.65, 0.0));
    EXPECT_EQ(list[0].x, -5 + 0.35 * 10);
    EXPECT_EQ(list[1].x, -5 + 0.6499999999999999 * 10);
    EXPECT_EQ(list[3].x, 5.0);
    EXPECT_EQ(list[3].y, -10 + 0.35 * 20);
    EXPECT_EQ(list[9].x, -5.0);
    EXPECT_EQ(list[9].y, -10 + 0.6499999999999999 * 20);
}

TEST(DotShapes, StarOutlineVertexByVertex) {
    // A pentagram drawn in one stroke: from the top, every second of five points spaced
    // 72 degrees apart on the ellipse, i.e. 144 degrees per vertex (y grows downward).
    const double w = 40, h = 20, cx = -3, cy = 5;
    VertexList list;
    AddStar(list, cx, cy, w, h);
    ASSERT_EQ(list.size(), 5u);
    for (size_t k = 0; k < 5; ++k) {
        const double phi = (90.0 + 144.0 * static_cast<double>(k)) * kPi / 180;
        EXPECT_NEAR(list[k].x, cx + w / 2 * std::cos(phi), 1e-12) << "point " << k;
        EXPECT_NEAR(list[k].y, cy - h / 2 * std::sin(phi), 1e-12) << "point " << k;
    }
    EXPECT_EQ(list[0].x, cx);  // the top point exactly
    EXPECT_EQ(list[0].y, cy - h / 2);
}

struct Canvas8 {
    static constexpr int kGuard = 3;
    int width, height, stride;
    std::vector<Pixel8> storage;
    DotCanvas<Pixel8> canvas;

    Canvas8(int w, int h)
        : width(w), height(h), stride(w + 2 * kGuard),
          storage(static_cast<size_t>(stride) * (h + 2 * kGuard), Pixel8{1, 2, 3, 4}),
          canvas(Clear(), w, h, stride * static_cast<int>(sizeof(Pixel8))) {}

    Pixel8* Clear() {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) At(x, y) = Pixel8{0, 0, 0, 0};
        return &storage[static_cast<size_t>(kGuard) * stride + kGuard];
    }
    Pixel8& At(int x, int y) { return storage[static_cast<size_t>(y + kGuard) * stride + x + kGuard]; }
    bool GuardIntact() const {
        for (int y = 0; y < height + 2 * kGuard; ++y)
            for (int x = 0; x < stride; ++x) {
                const bool inside = x >= kGuard && x < kGuard + width && y >= kGuard && y < kGuard + height;
                const Pixel8& p = storage[static_cast<size_t>(y) * stride + x];
                if (!inside && (p.alpha != 1 || p.red != 2 || p.green != 3 || p.blue != 4)) return false;
            }
        return true;
    }
    int Covered() {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += At(x, y).alpha != 0;
        return n;
    }
};

DotRecord<Pixel8> Dot(double x, double y, double w, double h, double rotation, int shape) {
    return DotRecord<Pixel8>{-1.0, x, y, Pixel8{255, 200, 100, 50}, w, h, rotation, shape};
}

TEST(DrawDot, TenPixelSquareOnPixelBoundaries) {
    Canvas8 c(30, 30);
    DrawDot(c.canvas, Dot(15, 12, 10, 10, 0, kDotShapeSquare));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 7 && y < 17;
            ASSERT_EQ(c.At(x, y).alpha, inside ? 255 : 0) << x << "," << y;
            if (inside) {
                ASSERT_EQ(c.At(x, y).red, 200);
            }
        }
    EXPECT_TRUE(c.canvas.Transform().IsIdentity());
}

TEST(DrawDot, EveryShapeClipsAtEachBorderAndLeavesTheTransformAlone) {
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> angle(0, 2 * kPi);
    const double centres[][2] = {{-4, 10}, {24, 9}, {11, -5}, {10, 21}, {-1.5, -1.5}, {10, 8}};
    for (int shape = kDotShapeCircle; shape <= kDotShapeDiamond; ++shape) {
        for (const auto& centre : centres) {
            Canvas8 c(20, 16);
            DrawDot(c.canvas, Dot(centre[0], centre[1], 17, 13, angle(rng), shape));
            EXPECT_TRUE(c.GuardIntact()) << "shape " << shape;
            EXPECT_GT(c.Covered(), 0) << "shape " << shape << " at " << centre[0] << "," << centre[1];
            EXPECT_TRUE(c.canvas.Transform().IsIdentity());
        }
    }
}

TEST(DrawDot, SkipsZeroSizesUnknownShapesAndNonFiniteDots) {
    Canvas8 c(16, 16);
    DrawDot(c.canvas, Dot(8, 8, 0.0, 10, 0, kDotShapeSquare));
    DrawDot(c.canvas, Dot(8, 8, 10, 0.0, 0, kDotShapeCircle));
    DrawDot(c.canvas, Dot(8, 8, 10, 10, 0, 0));
    DrawDot(c.canvas, Dot(8, 8, 10, 10, 0, 7));
    DrawDot(c.canvas, Dot(NAN, 8, 10, 10, 0, kDotShapeSquare));
    DrawDot(c.canvas, Dot(8, INFINITY, 10, 10, 0, kDotShapeSquare));
    DrawDot(c.canvas, Dot(8, 8, INFINITY, 10, 0, kDotShapeCircle));
    DrawDot(c.canvas, Dot(8, 8, 10, NAN, 0, kDotShapeStar));
    DrawDot(c.canvas, Dot(8, 8, 10, 10, INFINITY, kDotShapeDiamond));
    EXPECT_EQ(c.Covered(), 0);
    EXPECT_TRUE(c.canvas.Transform().IsIdentity());
    // A tiny but non-zero width is drawn: a sliver through the first column of sample
    // points of pixel column 8 holds one sample in eight of each pixel from row 3 to 12.
    DrawDot(c.canvas, Dot(8 + 1.0 / 16, 8, 1e-9, 10, 0, kDotShapeSquare));
    EXPECT_EQ(c.Covered(), 10);
    for (int y = 3; y < 13; ++y) EXPECT_EQ(c.At(8, y).alpha, 8 * 255 / 64) << "row " << y;
    EXPECT_TRUE(c.canvas.Transform().IsIdentity());
}

// Every pixel of an unturned dot against point sampling of its outline: n samples inside
// give alpha n * 255 / 64, n known up to the samples that lie too close to an edge to call.
void ExpectSampledCoverage(Canvas8& c, const DotRecord<Pixel8>& dot) {
    ASSERT_EQ(dot.rotation, 0.0);
    VertexList outline;
    BuildDotOutline(outline, AffineTransform::Identity(), dot.shape, dot.width, dot.height);
    std::vector<oracle::Point> polygon;
    for (size_t k = 0; k < outline.size(); ++k) polygon.push_back({dot.x + outline[k].x, dot.y + outline[k].y});
    const std::vector<oracle::SampleCount> samples = oracle::PointSample(polygon, c.width, c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const oracle::SampleCount& s = samples[static_cast<size_t>(y) * c.width + x];
            const int lo = std::max(0, s.inside - s.uncertain), hi = std::min(64, s.inside + s.uncertain);
            const int alpha = c.At(x, y).alpha;
            ASSERT_TRUE(alpha >= lo * 255 / 64 && alpha <= hi * 255 / 64)
                << "shape " << dot.shape << " width " << dot.width << " at " << x << "," << y << ": alpha "
                << alpha << ", " << s.inside << " samples inside";
        }
}

// The counts the general path gives an unturned cross centred at (cx, cy), written from the
// path's rules: the outline is three bands of sub-rows (top arm, middle bar, bottom arm),
// an edge serves the sub-rows from its rounded top up to its rounded bottom, and each band's
// sub-rows hold one span from the rounded left to the rounded right edge, both included.
std::vector<int> CrossCounts(double cx, double cy, double w, double h, int width, int height) {
    const double p = 0.35, q = std::nextafter(0.65, 0.0);
    auto sampleX = [&](double f) { return (cx + (-w / 2 + f * w)) * 8; };
    auto sampleY = [&](double f) { return (cy + (-h / 2 + f * h)) * 8; };
    auto round = [](double v) { return static_cast<int>(v + 0.5); };
    struct Band {
        double top, bottom, left, right;
    };
    const Band bands[] = {{sampleY(0), sampleY(p), sampleX(p), sampleX(q)},
                          {sampleY(p), sampleY(q), sampleX(0), sampleX(1)},
                          {sampleY(q), sampleY(1), sampleX(p), sampleX(q)}};
    std::vector<int> counts(static_cast<size_t>(width) * height, 0);
    for (const Band& band : bands) {
        const int x0 = round(std::min(band.left, band.right)), x1 = round(std::max(band.left, band.right));
        for (int k = std::max(0, round(band.top)); k < std::min(8 * height, round(band.bottom)); ++k)
            for (int i = 0; i < width; ++i)
                counts[static_cast<size_t>(k / 8) * width + i] += std::max(0, std::min(x1, 8 * i + 7) - std::max(x0, 8 * i) + 1);
    }
    return counts;
}

TEST(DrawDot, NegativeWidthMirrorsTheOutline) {
    for (int shape : {kDotShapeSquare, kDotShapeDiamond, kDotShapeCircle}) {
        Canvas8 a(24, 24), b(24, 24);
        DrawDot(a.canvas, Dot(12, 12, 13.5, 9.25, 0, shape));
        DrawDot(b.canvas, Dot(12, 12, -13.5, 9.25, 0, shape));
        ExpectSampledCoverage(a, Dot(12, 12, 13.5, 9.25, 0, shape));
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(a.At(x, y).alpha, b.At(x, y).alpha) << "shape " << shape << " at " << x << "," << y;
    }
    // The cross takes the general path, which includes the sample at a span's rounded right
    // end; its arms are not quite symmetric (0.35 and just below 0.65 of the size), so each
    // way is compared with the counts its own outline gives.
    for (double w : {13.5, -13.5}) {
        Canvas8 c(24, 24);
        DrawDot(c.canvas, Dot(12, 12, w, 9.25, 0, kDotShapeCross));
        const std::vector<int> counts = CrossCounts(12, 12, w, 9.25, 24, 24);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(c.At(x, y).alpha, counts[static_cast<size_t>(y) * 24 + x] * 255 / 64)
                    << "width " << w << " at " << x << "," << y;
    }
}

TEST(DrawDot, QuarterTurnPutsTheStarsTopPointToTheRight) {
    Canvas8 c(40, 40);
    DrawDot(c.canvas, Dot(20, 20, 30, 30, kPi / 2, kDotShapeStar));
    const VertexList& v = c.canvas.Filler().Vertices();
    EXPECT_EQ(c.canvas.Filler().LastPath(), FillPath::General);
    EXPECT_NEAR(v[0].X, 35.0, 1e-12);
    EXPECT_NEAR(v[0].Y, 20.0, 1e-12);
    EXPECT_GT(c.At(33, 20).alpha, 0);  // the point reaches x = 35 on the right
    EXPECT_EQ(c.At(20, 5).alpha, 0);   // nothing left at the old top point
    EXPECT_EQ(c.At(20, 20).alpha, 255);  // solid centre
}

TEST(DrawDot, ConvexShapesTakeTheConvexPath) {
    Canvas8 c(40, 40);
    for (int shape : {kDotShapeCircle, kDotShapeSquare, kDotShapeDiamond}) {
        for (double rotation : {0.0, 0.3, 1.0, 2.5}) {
            DrawDot(c.canvas, Dot(20.3, 19.6, 23, 11, rotation, shape));
            EXPECT_EQ(c.canvas.Filler().LastPath(), FillPath::Convex) << shape << " " << rotation;
        }
    }
    for (int shape : {kDotShapeCross, kDotShapeStar}) {
        DrawDot(c.canvas, Dot(20.3, 19.6, 23, 11, 0.4, shape));
        EXPECT_EQ(c.canvas.Filler().LastPath(), FillPath::General);
    }
}

TEST(DrawDot, DotsFarLargerThanTheLayerCoverItCheaply) {
    for (int shape = kDotShapeCircle; shape <= kDotShapeDiamond; ++shape) {
        Canvas8 c(32, 20);
        DrawDot(c.canvas, Dot(16, 10, 3.0e9, 2.0e9, 0.25, shape));
        EXPECT_EQ(c.Covered(), 32 * 20) << "shape " << shape;
        EXPECT_TRUE(c.GuardIntact());
    }
}

TEST(DrawDot, LaterDotsLieOverEarlierOnes) {
    Canvas8 c(20, 20);
    DrawDot(c.canvas, Dot(10, 10, 8, 8, 0, kDotShapeSquare));
    DotRecord<Pixel8> second = Dot(10, 10, 4, 4, 0, kDotShapeSquare);
    second.color = Pixel8{128, 0, 0, 250};
    DrawDot(c.canvas, second);
    EXPECT_EQ(c.At(10, 10).alpha, 254);
    EXPECT_EQ(c.At(10, 10).blue, (250 * 128 + 50 * 126) / 254);
    EXPECT_EQ(c.At(6, 6).alpha, 255);
    EXPECT_EQ(c.At(6, 6).blue, 50);
}

}  // namespace
