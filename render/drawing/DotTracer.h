// The renderer's dots as outlines.  Every output of the dots - the raster canvas, vector
// shapes - goes through DotTracer, so the one rule below decides which dots are drawn, and
// the one transform where and how turned.
//
// A dot is handed to an outline sink: any type with
//
//     void Outline(VertexList& vertices, const AffineTransform& transform, const P& color);
//
// `vertices` is the dot's outline in model coordinates, `transform` maps it onto the dot
// layer (the dot's centre, its rotation), `color` is the dot's colour with its opacity in
// alpha.  The canvas (DotCanvas) fills the outline; vector output writes it as a shape.  The
// sink is a template parameter, so no call goes through a pointer per dot or per pixel.
#pragma once
#include <cmath>
#include "render/layout/DotRecord.h"
#include "render/raster/AffineTransform.h"
#include "render/raster/DotShapes.h"
#include "render/raster/VertexList.h"

namespace Render {

// Whether a dot has an outline: not one of exactly zero width or height, nor one with a
// size, position or rotation that is not a finite number.  (A dot of an unknown shape has
// none either; BuildDotOutline finds that.)
template <class P>
bool HasOutline(const DotRecord<P>& dot) {
    return dot.width != 0.0 && dot.height != 0.0 && std::isfinite(dot.width) && std::isfinite(dot.height) &&
           std::isfinite(dot.x) && std::isfinite(dot.y) && std::isfinite(dot.rotation);
}

// Builds dots' outlines into `vertices` and places them with `transform`, which is the
// identity before and after each dot.  The sine and cosine of the last rotation are kept:
// the dots of a frame often share their rotation.
class DotTracer {
public:
    DotTracer(AffineTransform& transform, VertexList& vertices) : transform_(transform), vertices_(vertices) {}
    DotTracer(const DotTracer&) = delete;
    DotTracer& operator=(const DotTracer&) = delete;

    // Hands the dot to `sink` if it has an outline (see HasOutline) of a known shape.
    template <class P, class Sink>
    void Trace(const DotRecord<P>& dot, Sink& sink) {
        if (!HasOutline(dot)) return;
        transform_.Translate(dot.x, dot.y);
        Rotate(dot.rotation);
        if (BuildDotOutline(vertices_, transform_, dot.shape, dot.width, dot.height))
            sink.Outline(vertices_, transform_, dot.color);
        transform_ = AffineTransform::Identity();
    }

private:
    void Rotate(double theta) {
        if (!(theta == lastTheta_) || !turnValid_) {
            lastSin_ = std::sin(theta);
            lastCos_ = std::cos(theta);
            lastTheta_ = theta;
            turnValid_ = true;
        }
        transform_.RotateBy(lastSin_, lastCos_);
    }

    AffineTransform& transform_;
    VertexList& vertices_;
    bool turnValid_ = false;
    double lastTheta_ = 0.0, lastSin_ = 0.0, lastCos_ = 1.0;
};

// A tracer with its own transform and outline, for outputs other than the canvas.
class StandaloneDotTracer {
public:
    StandaloneDotTracer() : tracer_(transform_, vertices_) {}
    template <class P, class Sink>
    void Trace(const DotRecord<P>& dot, Sink& sink) { tracer_.Trace(dot, sink); }

private:
    AffineTransform transform_;
    VertexList vertices_;
    DotTracer tracer_;  // refers to the two above, so it comes after them
};

}  // namespace Render
