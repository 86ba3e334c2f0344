// The rasteriser fed arbitrary outlines and dots: any number of vertices anywhere (huge,
// infinite and not-a-number coordinates included), any transform, any layer size from 0 x 0.
//
// Checked on every input: the rows and runs handed on lie inside the layer, every count is
// 1..64, a row comes at most once per fill and its runs are ordered and disjoint; drawing a
// dot into a layer framed by canary pixels never touches the frame, and leaves the canvas
// transform as the identity.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "AEUtil/Pixel.h"
#include "render/drawing/DotCanvas.h"
#include "render/raster/DotShapes.h"
#include "render/raster/PolygonRasterizer.h"

using namespace Render;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "raster fuzz: %s\n", what);
        std::abort();
    }
}

double Coordinate(FuzzedDataProvider& in, double range) {
    static const double kHostile[] = {0.0,
                                      -0.0,
                                      0.5,
                                      -0.5,
                                      1e-300,
                                      65535.9,
                                      268435455.0,   // 2^28 - 1: 8x is just below 2^31
                                      268435456.0,   // 2^28
                                      2147483647.0,  // 2^31 - 1
                                      -2147483648.0,
                                      4294967296.0,
                                      1e12,
                                      -1e12,
                                      1e300,
                                      -1e300,
                                      std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN()};
    const uint8_t pick = in.ConsumeIntegral<uint8_t>();
    if (pick < 40) return kHostile[pick % (sizeof kHostile / sizeof kHostile[0])];
    double v = in.ConsumeFloatingPointInRange<double>(-range, range);
    if (pick & 1) v = std::round(v * 8) / 8;  // on the sample grid, where ties are
    return v;
}

// Checks what the rasteriser hands on for one fill.
class CheckingSink final : public CoverageSink {
public:
    CheckingSink(int32_t width, int32_t height) : width_(width), height_(height) {}
    void WriteRow(int32_t y, const CoverageRun* runs, size_t count) override {
        Check(y >= 0 && y < height_, "row outside the layer");
        Check(rows_.insert(y).second, "row handed on twice in one fill");
        int32_t end = 0;
        for (size_t i = 0; i < count; ++i) {
            const CoverageRun& r = runs[i];
            Check(r.count >= 1 && r.count <= 64, "count outside 1..64");
            Check(r.length >= 1, "empty run");
            Check(r.x >= end, "runs overlap or are out of order");
            Check(r.x >= 0 && r.x <= width_ - r.length, "run outside the layer");
            end = r.x + r.length;
        }
    }

private:
    int32_t width_, height_;
    std::set<int32_t> rows_;
};

// A layer of P surrounded by kGuard canary pixels on every side (rows run the full guarded
// width), so a write past any edge of the layer lands on a canary.
template <class P>
class GuardedLayer {
public:
    static constexpr int kGuard = 3;
    GuardedLayer(int32_t width, int32_t height)
        : width_(width),
          height_(height),
          stride_(width + 2 * kGuard),
          bytes_(static_cast<size_t>(stride_) * (height + 2 * kGuard) * sizeof(P), kCanary) {
        for (int32_t y = 0; y < height; ++y) std::memset(Pixel(0, y), 0, width * sizeof(P));
    }
    void* Pixels() { return Pixel(0, 0); }
    int32_t RowBytes() const { return stride_ * static_cast<int32_t>(sizeof(P)); }
    bool FrameIntact() const {
        for (int32_t y = -kGuard; y < height_ + kGuard; ++y)
            for (int32_t x = -kGuard; x < width_ + kGuard; ++x) {
                if (x >= 0 && x < width_ && y >= 0 && y < height_) continue;
                const unsigned char* p = reinterpret_cast<const unsigned char*>(Pixel(x, y));
                for (size_t i = 0; i < sizeof(P); ++i)
                    if (p[i] != kCanary) return false;
            }
        return true;
    }

private:
    static constexpr unsigned char kCanary = 0xA5;
    P* Pixel(int32_t x, int32_t y) const {
        const size_t at = (static_cast<size_t>(y + kGuard) * stride_ + (x + kGuard)) * sizeof(P);
        return reinterpret_cast<P*>(const_cast<unsigned char*>(bytes_.data()) + at);
    }
    int32_t width_, height_, stride_;
    std::vector<unsigned char> bytes_;
};

AffineTransform AnyTransform(FuzzedDataProvider& in) {
    AffineTransform t;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: break;  // identity
        case 1: t.Translate(Coordinate(in, 100), Coordinate(in, 100)); break;
        case 2:
            t.Translate(Coordinate(in, 100), Coordinate(in, 100));
            t.Rotate(in.ConsumeFloatingPointInRange<double>(-7, 7));
            break;
        default:
            t.a = Coordinate(in, 4);
            t.b = Coordinate(in, 4);
            t.c = Coordinate(in, 4);
            t.d = Coordinate(in, 4);
            t.tx = Coordinate(in, 100);
            t.ty = Coordinate(in, 100);
            break;
    }
    return t;
}

template <class P>
void DrawDots(FuzzedDataProvider& in, int32_t width, int32_t height) {
    using T = PixelTraits<P>;
    GuardedLayer<P> layer(width, height);
    DotCanvas<P> canvas(layer.Pixels(), width, height, layer.RowBytes());
    const int dots = in.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < dots && in.remaining_bytes() > 0; ++i) {
        DotRecord<P> dot{};
        dot.key = -1;
        dot.x = Coordinate(in, 80);
        dot.y = Coordinate(in, 80);
        dot.width = std::fabs(Coordinate(in, 120));
        dot.height = std::fabs(Coordinate(in, 120));
        dot.rotation = Coordinate(in, 10);
        dot.shape = in.ConsumeIntegralInRange<int32_t>(0, 7);
        const uint8_t alpha = in.ConsumeIntegral<uint8_t>();
        dot.color = P{T::FromByte(alpha), T::FromByte(200), T::FromByte(100), T::FromByte(50)};
        DrawDot(canvas, dot);
        Check(canvas.Transform().IsIdentity(), "transform not restored after a dot");
    }
    Check(layer.FrameIntact(), "a dot was written outside the layer");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(0, 48);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(0, 48);

    // A raw outline through the rasteriser.
    {
        VertexList vertices;
        const int n = in.ConsumeIntegralInRange<int>(0, 24);
        for (int i = 0; i < n; ++i) vertices.AddVertex(Coordinate(in, 60), Coordinate(in, 60));
        const AffineTransform transform = AnyTransform(in);
        PolygonRasterizer rasterizer(width, height);
        CheckingSink sink(width, height);
        rasterizer.Fill(vertices, transform, sink);
        // The same rasteriser again: nothing may carry over from the first fill.
        CheckingSink again(width, height);
        rasterizer.Fill(vertices, AffineTransform::Identity(), again);
    }

    // Dots through the canvas, in one of the three depths.
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: DrawDots<Pixel8>(in, width, height); break;
        case 1: DrawDots<Pixel16>(in, width, height); break;
        default: DrawDots<Pixel32>(in, width, height); break;
    }
    return 0;
}
