// The frame's dots as vector shapes (SVG): the effect's own grid layout, effectors and
// drawing order produce the dots, and the effect's own outline builders their shapes, so
// the drawing matches the raster dot for dot (the mask aside).
#pragma once
#include <string>

#include "cli/EffectSession.h"

namespace tonedot::cli {

// The SVG document of the prepared frame's dots, at the dot layer's size (the layer at the
// current downsampling), in drawing order, each dot a closed path in its colour and
// opacity.  The instance's current parameter values are used as the render path sees
// them (smart or plain).
std::string FrameDotsSvg(EffectSession& session, Instance& instance, const PreparedFrame& frame);

}  // namespace tonedot::cli
