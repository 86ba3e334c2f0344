// The frame's dots as vector shapes (SVG): the renderer hands its dots, as it draws them, to
// an outline sink (render/DotTracer.h) that writes each one as a path, so the drawing
// matches the raster dot for dot (the mask aside).
#pragma once
#include <ostream>
#include <string>

#include "cli/EffectSession.h"

namespace tonedot::cli {

// The SVG document of the prepared frame's dots, at the dot layer's size (the layer at the
// current downsampling), in drawing order, each dot a closed path in its colour and
// opacity.  The instance's current parameter values are used as the render path sees
// them (smart or plain).
std::string FrameDotsSvg(EffectSession& session, Instance& instance, const PreparedFrame& frame);

// The width and height of the SVG document FrameDotsSvg writes for the frame.
struct SvgSize {
    int width;
    int height;
};
SvgSize FrameDotsSvgSize(const Instance& instance, const PreparedFrame& frame);

// The paths FrameDotsSvg writes, alone, onto `out`: for documents of several layers, one
// call per layer.  `fill` ("#RRGGBB") paints every dot in one colour, an ink's, instead of
// the dot's own; the dot's opacity is kept.
void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, const PreparedFrame& frame,
                        const std::string& fill = {});

}  // namespace tonedot::cli
