#include "render/raster/DotShapes.h"

#include <cassert>
#include <cmath>
#include <type_traits>
#include <cstdint>
#include "render/base/Constants.h"
#include "render/raster/HalfDegreeTable.h"

namespace Render {

namespace {

constexpr double kArcStep = 9 * kDegToRad;

// Beyond this many circle points every table entry repeats many times; the point list is
// then the whole table, each entry standing for its copies.
constexpr int64_t kExactCircleCount = int64_t{1} << 16;

struct StarConstants {
    double sin1, cos1, sin3, cos3;  // sin and cos of pi/10 and 3pi/10
};

const StarConstants& Star() {
    static const StarConstants constants{std::sin(kPi / 10.0), std::cos(kPi / 10.0), std::sin(3.0 * kPi / 10.0),
                                         std::cos(3.0 * kPi / 10.0)};
    return constants;
}

// The table entries of an n-point circle outline, each with its repeat mark.  Entries never
// repeat one after another, so there are at most one per table entry plus the closing copy
// of the first.  Kept per thread with no destructor to run: toolchains that emulate thread-
// local storage may free it before running the destructors of thread-local objects when a
// thread ends, and the host's worker threads end whenever it resizes its pool.
struct CirclePoints {
    struct Entry {
        int16_t index;
        bool repeated;
    };
    static constexpr size_t kCapacity = kHalfDegreeSteps + 1;
    int64_t count = -1;
    size_t size = 0;
    Entry entries[kCapacity];

    const Entry* begin() const { return entries; }
    const Entry* end() const { return entries + size; }

    void Build(int64_t n) {
        count = n;
        size = 0;
        const double step = static_cast<double>(kHalfDegreeSteps) / static_cast<double>(n);
        double acc = 0.0;
        int lastIndex = -1;
        for (int64_t k = 0; k < n; ++k, acc += step) {
            int index = static_cast<int>(acc);
            if (index >= kHalfDegreeSteps) index -= kHalfDegreeSteps;
            if (index == lastIndex) {
                entries[size - 1].repeated = true;
                continue;
            }
            lastIndex = index;
            assert(size < kCapacity);
            entries[size++] = Entry{static_cast<int16_t>(index), false};
        }
        if (size > 1 && lastIndex == 0) {  // closing copy of the first point
            --size;
            entries[0].repeated = true;
        }
    }
};

// The unit points of an arc from angle `start` in steps of 9 degrees while the angle stays
// below `end`, each angle the sum of the steps before it.
struct ArcTable {
    static constexpr int kCapacity = 16;  // a quarter turn in 9-degree steps, and room to spare
    int count = 0;
    double cos[kCapacity], sin[kCapacity];
    ArcTable(double start, double end) {
        for (double phi = start; phi < end && count < kCapacity; phi += kArcStep, ++count) {
            cos[count] = std::cos(phi);
            sin[count] = std::sin(phi);
        }
    }
};

// The round square's corners, from its top right one clockwise (y down).
const ArcTable& RoundCorner(int corner) {
    static const ArcTable corners[4] = {ArcTable(3.0 * kPi / 2.0, 2.0 * kPi), ArcTable(0.0, kPi / 2.0),
                                        ArcTable(kPi / 2.0, kPi), ArcTable(kPi, 3.0 * kPi / 2.0)};
    return corners[corner];
}

void AddArcPoints(VertexList& vertices, double cx, double cy, double rx, double ry, const ArcTable& arc) {
    for (int i = 0; i < arc.count; ++i) vertices.AddVertex(cx + rx * arc.cos[i], cy + ry * arc.sin[i]);
}

}  // namespace

int64_t CircleSegmentCount(double ex, double ey) {
    const double length = std::sqrt(ex * ex + ey * ey);
    const double count = length * (2.0 * kPi) * 0.125;
    if (!(count < 9.0e15)) return std::isnan(count) ? 8 : int64_t{9000000000000000};
    const int64_t n = static_cast<int64_t>(count);
    return n < 8 ? 8 : n;
}

void AddCircle(VertexList& vertices, const AffineTransform& t, double cx, double cy, double w, double h) {
    vertices.Clear();
    const double rx = w / 2, ry = h / 2;
    const int64_t n = CircleSegmentCount(t.a * w + t.b * h, t.c * w + t.d * h);
    if (n > kExactCircleCount) {
        for (int i = 0; i < kHalfDegreeSteps; ++i) {
            vertices.AddVertex(cx + rx * COS_HALF_DEGREE[i], cy + ry * SIN_HALF_DEGREE[i]);
            vertices.MarkLastRepeated();
        }
        return;
    }
    // Point k sits at table entry trunc(t), t growing by 720 / n per point.  With more than
    // 720 points entries repeat; a repeat adds no coverage and is kept as a mark on the
    // point it copies.  An entry of 720 is a full turn, the first point again.  The entries
    // and marks depend on n alone: the last count's are kept for the next circle.
    static_assert(std::is_trivially_destructible<CirclePoints>::value, "no thread-exit destructor");
    thread_local CirclePoints points;
    if (points.count != n) points.Build(n);
    for (const CirclePoints::Entry& e : points) {
        vertices.AddVertex(cx + rx * COS_HALF_DEGREE[e.index], cy + ry * SIN_HALF_DEGREE[e.index]);
        if (e.repeated) vertices.MarkLastRepeated();
    }
}

void AddSquare(VertexList& vertices, double cx, double cy, double w, double h) {
    vertices.Clear();
    const double x0 = cx - w / 2, y0 = cy - h / 2;
    vertices.AddVertex(x0, y0);
    vertices.AddVertex(x0 + w, y0);
    vertices.AddVertex(x0 + w, y0 + h);
    vertices.AddVertex(x0, y0 + h);
}

void AddRoundSquare(VertexList& vertices, double cx, double cy, double w, double h) {
    vertices.Clear();
    const double x0 = cx - w / 2, y0 = cy - h / 2;
    const double rx = 0.2 * w, ry = 0.2 * h;
    vertices.AddVertex(x0 + 0.2 * w, y0);
    vertices.AddVertex(x0 + 0.8 * w, y0);
    AddArcPoints(vertices, x0 + 0.8 * w, y0 + 0.2 * h, rx, ry, RoundCorner(0));
    vertices.AddVertex(x0 + w, y0 + 0.2 * h);
    vertices.AddVertex(x0 + w, y0 + 0.8 * h);
    AddArcPoints(vertices, x0 + 0.8 * w, y0 + 0.8 * h, rx, ry, RoundCorner(1));
    vertices.AddVertex(x0 + 0.8 * w, y0 + h);
    vertices.AddVertex(x0 + 0.2 * w, y0 + h);
    AddArcPoints(vertices, x0 + 0.2 * w, y0 + 0.8 * h, rx, ry, RoundCorner(2));
    vertices.AddVertex(x0, y0 + 0.8 * h);
    vertices.AddVertex(x0, y0 + 0.2 * h);
    AddArcPoints(vertices, x0 + 0.2 * w, y0 + 0.2 * h, rx, ry, RoundCorner(3));
}

void AddCross(VertexList& vertices, double cx, double cy, double w, double h) {
    vertices.Clear();
    const double x0 = cx - w / 2, y0 = cy - h / 2;
    const double p = 0.35;
    const double q = 0.6499999999999999;  // one unit in the last place below 0.65
    vertices.AddVertex(x0 + p * w, y0);
    vertices.AddVertex(x0 + q * w, y0);
    vertices.AddVertex(x0 + q * w, y0 + p * h);
    vertices.AddVertex(x0 + w, y0 + p * h);
    vertices.AddVertex(x0 + w, y0 + q * h);
    vertices.AddVertex(x0 + q * w, y0 + q * h);
    vertices.AddVertex(x0 + q * w, y0 + h);
    vertices.AddVertex(x0 + p * w, y0 + h);
    vertices.AddVertex(x0 + p * w, y0 + q * h);
    vertices.AddVertex(x0, y0 + q * h);
    vertices.AddVertex(x0, y0 + p * h);
    vertices.AddVertex(x0 + p * w, y0 + p * h);
}

void AddStar(VertexList& vertices, double cx, double cy, double w, double h) {
    vertices.Clear();
    const StarConstants& s = Star();
    const double rx = w / 2, ry = h / 2;
    vertices.AddVertex(cx + 0.0, cy - ry);
    vertices.AddVertex(cx - rx * s.cos3, cy + ry * s.sin3);
    vertices.AddVertex(cx + rx * s.cos1, cy - ry * s.sin1);
    vertices.AddVertex(cx - rx * s.cos1, cy - ry * s.sin1);
    vertices.AddVertex(cx + rx * s.cos3, cy + ry * s.sin3);
}

void AddDiamond(VertexList& vertices, double cx, double cy, double w, double h) {
    vertices.Clear();
    vertices.AddVertex(cx + 0.0, cy - h / 2);
    vertices.AddVertex(cx + w / 2, cy + 0.0);
    vertices.AddVertex(cx + 0.0, cy + h / 2);
    vertices.AddVertex(cx - w / 2, cy + 0.0);
}

bool BuildDotOutline(VertexList& vertices, const AffineTransform& transform, int32_t shape, double w, double h) {
    switch (shape) {
        case Look::kDotShapeCircle: AddCircle(vertices, transform, 0.0, 0.0, w, h); return true;
        case Look::kDotShapeSquare: AddSquare(vertices, 0.0, 0.0, w, h); return true;
        case Look::kDotShapeRoundSquare: AddRoundSquare(vertices, 0.0, 0.0, w, h); return true;
        case Look::kDotShapeCross: AddCross(vertices, 0.0, 0.0, w, h); return true;
        case Look::kDotShapeStar: AddStar(vertices, 0.0, 0.0, w, h); return true;
        case Look::kDotShapeDiamond: AddDiamond(vertices, 0.0, 0.0, w, h); return true;
        default: vertices.Clear(); return false;
    }
}

}  // namespace Render
