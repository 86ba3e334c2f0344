// Slow, independent references for the rasteriser tests: point sampling of a polygon at
// the 64 sample centres of every pixel, and a sink that records what the rasteriser emits.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>
#include "render/raster/CoverageSink.h"

using namespace Render;

namespace oracle {

struct Point {
    double x;
    double y;
};

// Samples inside the polygon (non-zero winding) per pixel, and how many of them lie so
// close to an edge that floating-point rounding may decide either way.
struct SampleCount {
    int inside = 0;
    int uncertain = 0;
};

inline double DistanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

inline int WindingNumber(Point p, const std::vector<Point>& poly) {
    int winding = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i], b = poly[(i + 1) % poly.size()];
        const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y) {
            if (b.y > p.y && side > 0) ++winding;
        } else if (b.y <= p.y && side < 0) {
            --winding;
        }
    }
    return winding;
}

// Point sampling at ((8i + c + 0.5) / 8, (8j + r + 0.5) / 8) for every pixel of the layer.
inline std::vector<SampleCount> PointSample(const std::vector<Point>& poly, int width, int height,
                                            double eps = 1e-7) {
    std::vector<SampleCount> out(static_cast<size_t>(width) * height);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const Point& p : poly) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // Rounding in either implementation grows with the size of the coordinates.
    const double magnitude = std::max({std::fabs(minX), std::fabs(maxX), std::fabs(minY), std::fabs(maxY)});
    eps = std::max(eps, 2e-13 * magnitude);
    // Pixel range of the bounding box, taken in doubles first: coordinates may be huge.
    auto first = [](double v, int limit) { return static_cast<int>(std::clamp(std::floor(v) - 1, 0.0, double(limit))); };
    auto last = [](double v, int limit) { return static_cast<int>(std::clamp(std::floor(v) + 1, -1.0, double(limit - 1))); };
    const int i0 = first(minX, width), i1 = last(maxX, width);
    const int j0 = first(minY, height), j1 = last(maxY, height);
    for (int j = j0; j <= j1; ++j) {
        for (int i = i0; i <= i1; ++i) {
            SampleCount& sc = out[static_cast<size_t>(j) * width + i];
            for (int r = 0; r < 8; ++r) {
                for (int c = 0; c < 8; ++c) {
                    const Point p{i + (c + 0.5) / 8.0, j + (r + 0.5) / 8.0};
                    bool nearEdge = false;
                    for (size_t e = 0; e < poly.size() && !nearEdge; ++e) {
                        nearEdge = DistanceToSegment(p, poly[e], poly[(e + 1) % poly.size()]) < eps;
                    }
                    if (nearEdge) ++sc.uncertain;
                    if (WindingNumber(p, poly) != 0) ++sc.inside;
                }
            }
        }
    }
    return out;
}

// Area enclosed by a simple polygon.
inline double ShoelaceArea(const std::vector<Point>& poly) {
    double twice = 0.0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i], b = poly[(i + 1) % poly.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::fabs(twice) / 2.0;
}

// Records the counts the rasteriser hands on and checks the sink contract on the way:
// runs inside the layer, left to right, each pixel at most once, counts 1..64.
class CountingSink final : public CoverageSink {
public:
    CountingSink(int width, int height) : width_(width), height_(height), counts_(static_cast<size_t>(width) * height, 0) {}

    void WriteRow(int32_t y, const CoverageRun* runs, size_t count) override {
        EXPECT_GE(y, 0);
        EXPECT_LT(y, height_);
        if (y < 0 || y >= height_) return;
        int32_t lastEnd = -1;
        for (size_t i = 0; i < count; ++i) {
            const CoverageRun& run = runs[i];
            EXPECT_GT(run.length, 0);
            EXPECT_GE(run.x, 0);
            EXPECT_GT(run.x, lastEnd);
            EXPECT_LE(run.x + run.length, width_);
            EXPECT_GE(run.count, 1);
            EXPECT_LE(run.count, 64);
            for (int32_t p = std::max(run.x, 0); p < std::min(run.x + run.length, width_); ++p) {
                int& cell = counts_[static_cast<size_t>(y) * width_ + p];
                EXPECT_EQ(cell, 0) << "pixel " << p << "," << y << " written twice";
                cell = run.count;
            }
            lastEnd = run.x + run.length - 1;
        }
        ++rows_;
    }

    int At(int x, int y) const { return counts_[static_cast<size_t>(y) * width_ + x]; }
    const std::vector<int>& Counts() const { return counts_; }
    long long Total() const {
        long long t = 0;
        for (int c : counts_) t += c;
        return t;
    }
    int Rows() const { return rows_; }
    void Reset() {
        std::fill(counts_.begin(), counts_.end(), 0);
        rows_ = 0;
    }

private:
    int width_;
    int height_;
    std::vector<int> counts_;
    int rows_ = 0;
};

}  // namespace oracle
