// The anti-aliasing polygon filler of a dot canvas: takes an outline in model coordinates,
// measures its 8 x 8-sample coverage through the canvas transform and lays the canvas colour
// over the covered pixels.
#pragma once
#include <cassert>
#include <cstdint>
#include "render/raster/AffineTransform.h"
#include "render/raster/CoverageSink.h"
#include "render/raster/PixelWriter.h"
#include "render/raster/PolygonRasterizer.h"
#include "render/raster/VertexList.h"

namespace Render {

template <class P>
class PolygonFiller final : private CoverageSink {
public:
    // Fills into the layer at `pixels`, mapping outlines through `transform` and writing
    // `color`; both are read at every Fill().
    PolygonFiller(void* pixels, int32_t width, int32_t height, int32_t rowBytes, const AffineTransform& transform,
                  const P& color)
        : pixels_(static_cast<unsigned char*>(pixels)),
          rowBytes_(rowBytes),
          transform_(transform),
          color_(color),
          rasterizer_(width, height),
          rowBottom_(height) {
        assert(pixels != nullptr || width == 0 || height == 0);
    }

    PolygonFiller(const PolygonFiller&) = delete;
    PolygonFiller& operator=(const PolygonFiller&) = delete;

    // Forgets the previous outline.
    void Clear() { vertices_.Clear(); }
    void AddVertex(double x, double y) { vertices_.AddVertex(x, y); }
    VertexList& Vertices() { return vertices_; }

    // Rasterises the current outline into the layer with the current colour.  The vertex
    // list stays as it is.
    void Fill() {
        writer_.SetColor(color_);
        rasterizer_.Fill(vertices_, transform_, *this);
    }

    FillPath LastPath() const { return rasterizer_.LastPath(); }

    // Writes only rows top .. bottom - 1 (one band of the layer).  Rows above the band are
    // measured as ever, so the band's pixels come out as when the whole outline is drawn;
    // rows below it are not measured at all.
    void SetRowWindow(int32_t top, int32_t bottom) {
        rowTop_ = top;
        rowBottom_ = bottom;
        rasterizer_.SetRowLimit(bottom);
    }

private:
    void WriteRow(int32_t y, const CoverageRun* runs, size_t count) override {
        assert(y < rowBottom_);
        if (y < rowTop_) return;
        P* row = reinterpret_cast<P*>(pixels_ + static_cast<std::ptrdiff_t>(y) * rowBytes_);
        for (size_t i = 0; i < count; ++i) writer_.WriteRun(row + runs[i].x, runs[i].length, runs[i].count);
    }

    void WriteCounts(int32_t y, int32_t x, const uint64_t (&counts)[2]) override {
        assert(y < rowBottom_);
        if (y < rowTop_) return;
        P* row = reinterpret_cast<P*>(pixels_ + static_cast<std::ptrdiff_t>(y) * rowBytes_) + x;
        for (int32_t w = 0; w < 2; ++w) {
            P* pixel = row + 8 * w;
            for (uint64_t word = counts[w]; word != 0; word >>= 8, ++pixel) {
                const auto c = static_cast<int32_t>(word & 0xFF);
                if (c != 0) writer_.Write(*pixel, c);
            }
        }
    }

    unsigned char* pixels_;
    int32_t rowBytes_;
    const AffineTransform& transform_;
    const P& color_;
    VertexList vertices_;
    PolygonRasterizer rasterizer_;
    PixelWriter<P> writer_;
    int32_t rowTop_ = 0;
    int32_t rowBottom_;
};

}  // namespace Render
