// Anti-Grain Geometry filling outlines as the benchmarks time it: rasterizer_scanline_aa
// with scanline_p8 into premultiplied BGRA, no gamma, non-zero fill.  Built only where
// AGG is installed (a benchmark-only dependency).
#pragma once
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>

#include <cstddef>
#include <vector>

class AggCanvas {
public:
    AggCanvas(int width, int height)
        : pixels_(static_cast<size_t>(width) * height * 4),
          buffer_(pixels_.data(), width, height, width * 4),
          format_(buffer_),
          base_(format_) {
        raster_.filling_rule(agg::fill_non_zero);
        raster_.gamma(agg::gamma_none());
    }

    void Clear() { base_.clear(agg::rgba8(0, 0, 0, 0)); }

    // Fills the closed outline of `count` points, x and y in turn, in a straight colour.
    void Fill(const double* xy, size_t count, unsigned r, unsigned g, unsigned b, unsigned a) {
        raster_.reset();
        raster_.move_to_d(xy[0], xy[1]);
        for (size_t k = 1; k < count; ++k) raster_.line_to_d(xy[2 * k], xy[2 * k + 1]);
        raster_.close_polygon();
        agg::rgba8 color(r, g, b, a);
        color.premultiply();
        agg::render_scanlines_aa_solid(raster_, scanline_, base_, color);
    }

    const unsigned char* Data() const { return pixels_.data(); }

private:
    std::vector<unsigned char> pixels_;
    agg::rendering_buffer buffer_;
    agg::pixfmt_bgra32_pre format_;
    agg::renderer_base<agg::pixfmt_bgra32_pre> base_;
    agg::rasterizer_scanline_aa<> raster_;
    agg::scanline_p8 scanline_;
};
