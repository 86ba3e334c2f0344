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

// The paths FrameDotsSvg writes, alone, onto `out`: the body of one layer of a document
// of several (one per ink).
void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, const PreparedFrame& frame);

}  // namespace tonedot::cli
