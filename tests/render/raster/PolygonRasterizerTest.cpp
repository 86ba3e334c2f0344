// The rasteriser against point sampling, hand-worked counts, clipping and outlines far
// larger than the layer.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>
#include "render/base/Constants.h"
#include "render/raster/PolygonRasterizer.h"
#include "tests/render/raster/RasterOracle.h"

using namespace Render;

namespace {

using oracle::CountingSink;
using oracle::Point;

VertexList MakeList(const std::vector<Point>& points) {
    VertexList list;
    for (const Point& p : points) list.AddVertex(p.x, p.y);
    return list;
}

// Model outlines of the convex shapes, built independently of the shape code.
std::vector<Point> ModelSquare(double w, double h) {
    return {{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}};
}
std::vector<Point> ModelDiamond(double w, double h) { return {{0, -h / 2}, {w / 2, 0}, {0, h / 2}, {-w / 2, 0}}; }
std::vector<Point> ModelEllipse(double w, double h) {
    const int n = std::max(8, static_cast<int>(std::sqrt(w * w + h * h) * kPi / 4));
    std::vector<Point> out;
    double t = 0.0;
    for (int k = 0; k < n; ++k, t += 720.0 / n) {
        const double angle = static_cast<int>(t) * kPi / 360.0;
        out.push_back({w / 2 * std::cos(angle), h / 2 * std::sin(angle)});
    }
    return out;
}

std::vector<Point> Place(const std::vector<Point>& model, double cx, double cy, double theta) {
    std::vector<Point> out;
    const double k = std::cos(theta), s = std::sin(theta);
    for (const Point& p : model) out.push_back({cx + k * p.x - s * p.y, cy + s * p.x + k * p.y});
    return out;
}

AffineTransform Placement(double cx, double cy, double theta) {
    AffineTransform t;
    t.Translate(cx, cy);
    t.Rotate(theta);
    return t;
}

// Fills `model` placed at (cx, cy) turned by theta and compares every pixel with point
// sampling; returns the path taken.
FillPath CompareWithPointSampling(const std::vector<Point>& model, double cx, double cy, double theta, int width,
                                  int height, const char* what) {
    PolygonRasterizer raster(width, height);
    CountingSink sink(width, height);
    VertexList list = MakeList(model);
    raster.Fill(list, Placement(cx, cy, theta), sink);
    const std::vector<Point> placed = Place(model, cx, cy, theta);
    const auto expected = oracle::PointSample(placed, width, height);
    double minX = 1e300;
    for (const Point& p : placed) minX = std::min(minX, p.x);
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // A right span end between -1/16 and +1/16 of a pixel still rounds to sample
            // column 0 (truncation toward zero), so column 0 is only compared when the
            // outline stays clear of the left border.
            if (x == 0 && minX < 0.125) continue;
            const auto& e = expected[static_cast<size_t>(y) * width + x];
            const int got = sink.At(x, y);
            if (std::abs(got - e.inside) > e.uncertain && mismatches++ < 5) {
                ADD_FAILURE() << what << " pixel (" << x << "," << y << ") count " << got << " reference "
                              << e.inside << " centre " << cx << "," << cy << " rotation " << theta;
            }
        }
    }
    return raster.LastPath();
}

TEST(PolygonRasterizer, ConvexPathMatchesPointSamplingOverRandomOutlines) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> size(0.3, 30.0), pos(-8.0, 50.0), angle(0.0, 2 * kPi);
    int convex = 0;
    for (int i = 0; i < 300; ++i) {
        const double w = size(rng), h = size(rng), cx = pos(rng), cy = pos(rng) - 6.0, theta = angle(rng);
        // None: wholly outside the layer.
        for (const FillPath path : {CompareWithPointSampling(ModelSquare(w, h), cx, cy, theta, 44, 36, "square"),
                                    CompareWithPointSampling(ModelDiamond(w, h), cx, cy, theta, 44, 36, "diamond"),
                                    CompareWithPointSampling(ModelEllipse(w, h), cx, cy, theta, 44, 36, "circle")}) {
            EXPECT_NE(path, FillPath::General);
            convex += path == FillPath::Convex;
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(convex, 700);
}

TEST(PolygonRasterizer, ConvexPathMatchesPointSamplingForOutlinesFarBeyondTheLayer) {
    // Sizes reach far past the sub-rows that are stepped one by one above the layer, so the
    // walkers start part-way down their edges.
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> logSize(2.0, 9.5), angle(0.0, 2 * kPi), offset(-0.6, 0.6);
    for (int i = 0; i < 60; ++i) {
        const double w = std::pow(10.0, logSize(rng)), h = std::pow(10.0, logSize(rng)), theta = angle(rng);
        // Centre placed so that the outline crosses the layer somewhere.
        const double cx = 20 + offset(rng) * w, cy = 16 + offset(rng) * h;
        CompareWithPointSampling(ModelSquare(w, h), cx, cy, theta, 40, 32, "large square");
        CompareWithPointSampling(ModelDiamond(w, h), cx, cy, theta, 40, 32, "large diamond");
        if (HasFailure()) return;
    }
}

TEST(PolygonRasterizer, SquareOnPixelBoundariesCoversExactlyItsPixels) {
    PolygonRasterizer raster(30, 30);
    CountingSink sink(30, 30);
    VertexList list = MakeList({{5, 7}, {15, 7}, {15, 17}, {5, 17}});
    raster.Fill(list, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::Convex);
    int full = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 7 && y < 17;
            EXPECT_EQ(sink.At(x, y), inside ? 64 : 0) << x << "," << y;
            full += sink.At(x, y) == 64;
        }
    }
    EXPECT_EQ(full, 100);
}

TEST(PolygonRasterizer, HalfCoveredPixelsCountHalfTheSamples) {
    PolygonRasterizer raster(8, 8);
    CountingSink sink(8, 8);
    VertexList tall = MakeList({{2, 1}, {2.5, 1}, {2.5, 4}, {2, 4}});  // left half of column 2
    raster.Fill(tall, AffineTransform::Identity(), sink);
    for (int y = 1; y < 4; ++y) EXPECT_EQ(sink.At(2, y), 32);
    EXPECT_EQ(sink.Total(), 3 * 32);

    sink.Reset();
    VertexList wide = MakeList({{1, 5}, {6, 5}, {6, 5.5}, {1, 5.5}});  // top half of row 5
    raster.Fill(wide, AffineTransform::Identity(), sink);
    for (int x = 1; x < 6; ++x) EXPECT_EQ(sink.At(x, 5), 32);
    EXPECT_EQ(sink.Total(), 5 * 32);
}

TEST(PolygonRasterizer, GeneralPathIncludesTheSampleAtTheRoundedRightEnd) {
    // An L shape (one reflex corner) whose right side lies on x = 10.
    PolygonRasterizer raster(14, 12);
    CountingSink sink(14, 12);
    VertexList list = MakeList({{2, 2}, {10, 2}, {10, 10}, {6, 10}, {6, 6}, {2, 6}});
    raster.Fill(list, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::General);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 14; ++x) {
            int expected = 0;
            if (y >= 2 && y < 10) {
                const int left = y < 6 ? 2 : 6;
                if (x >= left && x < 10) expected = 64;
                if (x == 10) expected = 8;  // sample column 80 in each of the 8 sub-rows
            }
            EXPECT_EQ(sink.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(PolygonRasterizer, GeneralPathKeepsEdgesAtTheirUpperEnd) {
    // A 2 x 2 square with a notch up to its centre, worked by hand: in the lower row the
    // notch's edges start at x = 8 samples and move one sample per sub-row.
    PolygonRasterizer raster(4, 4);
    CountingSink sink(4, 4);
    VertexList list = MakeList({{0, 0}, {2, 0}, {2, 2}, {1, 1}, {0, 2}});
    raster.Fill(list, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::General);
    EXPECT_EQ(sink.At(0, 0), 64);
    EXPECT_EQ(sink.At(1, 0), 64);
    EXPECT_EQ(sink.At(2, 0), 8);
    EXPECT_EQ(sink.At(0, 1), 8 + 8 + 7 + 6 + 5 + 4 + 3 + 2);
    EXPECT_EQ(sink.At(1, 1), 8 + 7 + 6 + 5 + 4 + 3 + 2 + 1);
    EXPECT_EQ(sink.At(2, 1), 8);
    EXPECT_EQ(sink.Total(), 64 + 64 + 8 + 43 + 36 + 8);
}

// Regular pentagram with circumradius r, as the five-point path and as its outer boundary.
std::vector<Point> Pentagram(double rx, double ry) {
    const double s1 = std::sin(kPi / 10), c1 = std::cos(kPi / 10), s3 = std::sin(3 * kPi / 10), c3 = std::cos(3 * kPi / 10);
    return {{0, -ry}, {-rx * c3, ry * s3}, {rx * c1, -ry * s1}, {-rx * c1, -ry * s1}, {rx * c3, ry * s3}};
}

Point Intersect(Point a, Point b, Point c, Point d) {
    const double den = (a.x - b.x) * (c.y - d.y) - (a.y - b.y) * (c.x - d.x);
    const double t = ((a.x - c.x) * (c.y - d.y) - (a.y - c.y) * (c.x - d.x)) / den;
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

// The filled star's boundary: outer points alternating with the crossings of the path.
std::vector<Point> PentagramBoundary(const std::vector<Point>& path) {
    // Path order 0..4 visits the points of the star every second corner; going round the
    // outline the outer points are 0, 3, 1, 4, 2 (angle order) with a crossing between.
    const int order[5] = {0, 2, 4, 1, 3};
    std::vector<Point> corners;
    for (int i : order) corners.push_back(path[i]);
    // corners are now in angular order around the centre; the crossing between corners k
    // and k+1 lies on the chords k -> k+2 and k+1 -> k-1.
    std::vector<Point> out;
    for (int k = 0; k < 5; ++k) {
        out.push_back(corners[k]);
        out.push_back(Intersect(corners[k], corners[(k + 2) % 5], corners[(k + 1) % 5], corners[(k + 4) % 5]));
    }
    return out;
}

std::vector<Point> ModelCross(double w, double h) {
    const double x0 = -w / 2, y0 = -h / 2, p = 0.35, q = 0.65;
    return {{x0 + p * w, y0},     {x0 + q * w, y0},     {x0 + q * w, y0 + p * h}, {x0 + w, y0 + p * h},
            {x0 + w, y0 + q * h}, {x0 + q * w, y0 + q * h}, {x0 + q * w, y0 + h}, {x0 + p * w, y0 + h},
            {x0 + p * w, y0 + q * h}, {x0, y0 + q * h}, {x0, y0 + p * h},     {x0 + p * w, y0 + p * h}};
}

// Bound, in samples, on how far the general path's count may stray from the exact area:
// per edge, one sample column of rounding at each end of every sub-row it serves, and the x
// taken at the edge's upper end (up to one sub-row of slope) plus the area that sampling
// at sub-row centres misses within each band the edge crosses.
double GeneralPathBound(const std::vector<Point>& placed) {
    double bound = 0.0;
    for (size_t i = 0; i < placed.size(); ++i) {
        const Point a = placed[i], b = placed[(i + 1) % placed.size()];
        const double dx = std::fabs(b.x - a.x) * 8, dy = std::fabs(b.y - a.y) * 8;
        bound += 2 * dx + 3 * (dy + 2);
    }
    return bound;
}

// Rows of the general path against point sampling: each sub-row may differ by at most the
// slope plus two samples for every edge crossing it.
void CompareRowsWithPointSampling(const std::vector<Point>& placed, const CountingSink& sink, int width, int height,
                                  const char* what) {
    const auto expected = oracle::PointSample(placed, width, height);
    for (int y = 0; y < height; ++y) {
        long long got = 0, want = 0, uncertain = 0;
        for (int x = 0; x < width; ++x) {
            got += sink.At(x, y);
            want += expected[static_cast<size_t>(y) * width + x].inside;
            uncertain += expected[static_cast<size_t>(y) * width + x].uncertain;
        }
        double bound = static_cast<double>(uncertain);
        for (int r = 0; r < 8; ++r) {
            const double yc = y + (r + 0.5) / 8;
            for (size_t i = 0; i < placed.size(); ++i) {
                const Point a = placed[i], b = placed[(i + 1) % placed.size()];
                if (a.y == b.y || yc < std::min(a.y, b.y) - 0.125 || yc > std::max(a.y, b.y) + 0.125) continue;
                bound += std::fabs((b.x - a.x) / (b.y - a.y)) + 2;
            }
        }
        EXPECT_LE(std::fabs(static_cast<double>(got - want)), bound) << what << " row " << y;
    }
}

TEST(PolygonRasterizer, GeneralPathAreaStaysWithinTheGridBound) {
    std::mt19937 rng(5150);
    std::uniform_real_distribution<double> size(4.0, 40.0), angle(0.0, 2 * kPi), jitter(-3.0, 3.0);
    constexpr int kW = 64, kH = 64;
    for (int i = 0; i < 150; ++i) {
        const double w = size(rng), h = size(rng), theta = angle(rng), cx = 32 + jitter(rng), cy = 32 + jitter(rng);
        PolygonRasterizer raster(kW, kH);
        CountingSink sink(kW, kH);

        const std::vector<Point> cross = ModelCross(w, h);
        VertexList crossList = MakeList(cross);
        raster.Fill(crossList, Placement(cx, cy, theta), sink);
        EXPECT_EQ(raster.LastPath(), FillPath::General);
        const std::vector<Point> placedCross = Place(cross, cx, cy, theta);
        EXPECT_NEAR(static_cast<double>(sink.Total()), 64 * oracle::ShoelaceArea(placedCross),
                    GeneralPathBound(placedCross))
            << "cross " << w << "x" << h;
        CompareRowsWithPointSampling(placedCross, sink, kW, kH, "cross");

        sink.Reset();
        const std::vector<Point> star = Pentagram(w / 2, h / 2);
        VertexList starList = MakeList(star);
        raster.Fill(starList, Placement(cx, cy, theta), sink);
        EXPECT_EQ(raster.LastPath(), FillPath::General);
        const std::vector<Point> placedStar = Place(star, cx, cy, theta);
        const std::vector<Point> boundary = PentagramBoundary(placedStar);
        EXPECT_NEAR(static_cast<double>(sink.Total()), 64 * oracle::ShoelaceArea(boundary), GeneralPathBound(placedStar))
            << "star " << w << "x" << h;
        CompareRowsWithPointSampling(placedStar, sink, kW, kH, "star");
        if (HasFailure()) return;
    }
}

TEST(PolygonRasterizer, GeneralPathRowsMatchPointSamplingForOutlinesFarBeyondTheLayer) {
    std::mt19937 rng(606);
    std::uniform_real_distribution<double> logSize(2.0, 9.5), angle(0.0, 2 * kPi), offset(-0.45, 0.45);
    constexpr int kW = 40, kH = 32;
    for (int i = 0; i < 80; ++i) {
        const double w = std::pow(10.0, logSize(rng)), h = std::pow(10.0, logSize(rng)), theta = angle(rng);
        const double cx = 20 + offset(rng) * w, cy = 16 + offset(rng) * h;
        for (const std::vector<Point>& model : {ModelCross(w, h), Pentagram(w / 2, h / 2)}) {
            PolygonRasterizer raster(kW, kH);
            CountingSink sink(kW, kH);
            VertexList list = MakeList(model);
            raster.Fill(list, Placement(cx, cy, theta), sink);
            EXPECT_NE(raster.LastPath(), FillPath::Convex);
            CompareRowsWithPointSampling(Place(model, cx, cy, theta), sink, kW, kH, "large outline");
        }
        if (HasFailure()) return;
    }
}

TEST(PolygonRasterizer, StarIsSolidIncludingItsInnerPentagon) {
    PolygonRasterizer raster(40, 40);
    CountingSink sink(40, 40);
    VertexList list = MakeList(Place(Pentagram(18, 18), 20, 20, 0));
    raster.Fill(list, AffineTransform::Identity(), sink);
    // The inner pentagon has winding number 2; its inscribed radius is r * sin(18 deg) / cos(36 deg)
    // times cos(36 deg), about 5.5 pixels for r = 18.
    for (int y = 16; y <= 23; ++y) {
        for (int x = 16; x <= 23; ++x) EXPECT_EQ(sink.At(x, y), 64) << x << "," << y;
    }
}

TEST(PolygonRasterizer, ClipsAtAllFourEdgesWithoutWrapping) {
    // Squares hanging over each border: the visible part is exactly as if the layer were
    // larger, and nothing appears on the opposite side.
    struct Case {
        double x0, y0, x1, y1;
    } cases[] = {{-4.5, 3, 3.25, 9}, {12.75, 2, 21, 8.5}, {4, -6.25, 10, 2.5}, {3, 11.5, 9.5, 20}, {-3, -3, 19, 19}};
    for (const Case& c : cases) {
        for (bool general : {false, true}) {
            PolygonRasterizer raster(16, 14);
            CountingSink sink(16, 14);
            std::vector<Point> pts{{c.x0, c.y0}, {c.x1, c.y0}, {c.x1, c.y1}, {c.x0, c.y1}};
            // A notch too shallow to reach a sub-row makes the same square take the general path.
            if (general) pts.insert(pts.begin() + 1, Point{(c.x0 + c.x1) / 2, c.y0 + 0.01});
            VertexList list = MakeList(pts);
            raster.Fill(list, AffineTransform::Identity(), sink);
            ASSERT_EQ(raster.LastPath(), general ? FillPath::General : FillPath::Convex);
            for (int y = 0; y < 14; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const double cover =
                        std::max(0.0, std::min(c.x1, x + 1.0) - std::max(c.x0, double(x))) *
                        std::max(0.0, std::min(c.y1, y + 1.0) - std::max(c.y0, double(y)));
                    int expected = static_cast<int>(std::lround(cover * 64));
                    // The general path also takes the sample at the rounded right end.
                    if (general && c.x1 < 16 && x == static_cast<int>(std::floor(c.x1 * 8 + 0.5)) / 8 && cover < 1) {
                        const double rows = std::max(0.0, std::min(c.y1, y + 1.0) - std::max(c.y0, double(y))) * 8;
                        expected += static_cast<int>(std::lround(rows));
                    }
                    EXPECT_EQ(sink.At(x, y), expected) << (general ? "general " : "convex ") << c.x0 << "," << c.y0
                                                       << " pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(PolygonRasterizer, DegenerateOutlinesDrawNothing) {
    PolygonRasterizer raster(10, 10);
    CountingSink sink(10, 10);
    VertexList two = MakeList({{1, 1}, {8, 8}});
    raster.Fill(two, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::None);
    // Thinner than an eighth of a pixel: top and bottom round to the same sub-row.
    VertexList thinConvex = MakeList({{2, 4.01}, {8, 4.01}, {8, 4.05}, {2, 4.05}});
    raster.Fill(thinConvex, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::Convex);
    VertexList thinGeneral = MakeList({{2, 4.01}, {5, 4.03}, {8, 4.01}, {8, 4.05}, {5, 4.02}, {2, 4.05}});
    raster.Fill(thinGeneral, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::General);
    VertexList notFinite = MakeList({{1, 1}, {NAN, 5}, {1, 8}});
    raster.Fill(notFinite, AffineTransform::Identity(), sink);
    EXPECT_EQ(sink.Total(), 0);
    EXPECT_EQ(sink.Rows(), 0);
}

TEST(PolygonRasterizer, OutlinesFarLargerThanTheLayerFillIt) {
    // Each would take ages if the sub-rows above the layer were stepped one by one.
    PolygonRasterizer raster(24, 18);
    CountingSink sink(24, 18);
    const double big = 4.0e9;
    VertexList square = MakeList(Place(ModelSquare(big, big), 12, 9, 0.3));
    raster.Fill(square, AffineTransform::Identity(), sink);
    for (int c : sink.Counts()) ASSERT_EQ(c, 64);

    sink.Reset();
    VertexList star = MakeList(Place(Pentagram(big, big), 12, 9, 1.1));
    raster.Fill(star, AffineTransform::Identity(), sink);
    EXPECT_EQ(raster.LastPath(), FillPath::General);
    for (int c : sink.Counts()) ASSERT_EQ(c, 64);

    // Only the last ten rows of a huge square reach into the layer.
    sink.Reset();
    VertexList above = MakeList({{-1.0e9, -3.0e9}, {1.0e9, -3.0e9}, {1.0e9, 10}, {-1.0e9, 10}});
    raster.Fill(above, AffineTransform::Identity(), sink);
    for (int y = 0; y < 18; ++y) EXPECT_EQ(sink.At(5, y), y < 10 ? 64 : 0);

    // Wholly outside on each side: nothing at all.
    sink.Reset();
    for (Point offset : {Point{-3.0e9, 0}, Point{3.0e9, 0}, Point{0, -3.0e9}, Point{0, 3.0e9}}) {
        VertexList away = MakeList(Place(ModelSquare(1.0e9, 1.0e9), offset.x, offset.y, 0.2));
        raster.Fill(away, AffineTransform::Identity(), sink);
    }
    EXPECT_EQ(sink.Rows(), 0);
}

}  // namespace
