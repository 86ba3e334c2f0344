// The drawing target of one render: the dot layer, the current transform and colour, the
// polygon filler that draws into it, and DrawDot, which draws one dot into it.
#pragma once
#include <cmath>
#include <cstdint>
#include "render/drawing/DotTracer.h"
#include "render/layout/DotRecord.h"
#include "render/raster/AffineTransform.h"
#include "render/raster/PolygonFiller.h"

namespace Render {

template <class P>
class DotCanvas {
public:
    // Over a layer of `width` x `height` pixels of type P, `rowBytes` apart; the transform
    // starts as the identity.
    DotCanvas(void* pixels, int32_t width, int32_t height, int32_t rowBytes)
        : pixels_(pixels),
          width_(width),
          height_(height),
          rowBytes_(rowBytes),
          filler_(pixels, width, height, rowBytes, transform_, color_),
          tracer_(transform_, filler_.Vertices()) {}

    DotCanvas(const DotCanvas&) = delete;
    DotCanvas& operator=(const DotCanvas&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t RowBytes() const { return rowBytes_; }
    void* Pixels() const { return pixels_; }

    AffineTransform& Transform() { return transform_; }
    const AffineTransform& Transform() const { return transform_; }

    const P& Color() const { return color_; }
    void SetColor(const P& color) { color_ = color; }

    PolygonFiller<P>& Filler() { return filler_; }

    DotTracer& Tracer() { return tracer_; }

    // The outline sink of the raster (DotTracer.h): fills the outline, already in the
    // filler's vertex list and placed by this canvas's transform, in `color`.
    void Outline(VertexList&, const AffineTransform&, const P& color) {
        color_ = color;
        filler_.Fill();
    }

private:
    void* pixels_;
    int32_t width_;
    int32_t height_;
    int32_t rowBytes_;
    AffineTransform transform_;
    P color_{};
    PolygonFiller<P> filler_;  // refers to transform_ and color_, so it comes after them
    DotTracer tracer_;         // refers to transform_ and the filler's vertex list
};

// Draws one dot: its shape, turned by its rotation about its centre, in its colour; a dot
// without an outline (HasOutline) draws nothing.  The canvas transform is the identity
// before and after.
template <class P>
void DrawDot(DotCanvas<P>& canvas, const DotRecord<P>& dot) {
    canvas.Tracer().Trace(dot, canvas);
}

}  // namespace Render
