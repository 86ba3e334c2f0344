// The frame's dots as vector shapes (SVG): the loaded effect renders the frame once more
// with the host asking for outlines (host/OutlineRequests.h), and hands over each dot as
// it would draw it, so the drawing matches the raster dot for dot (the mask aside) and
// comes from the very effect that drew the raster.
#pragma once
#include <ostream>
#include <string>

#include "session/EffectSession.h"

namespace tonedot::session {

// The SVG document of the prepared frame's dots, at the dot layer's size (the layer at the
// current downsampling), in drawing order, each dot a closed path in its colour and
// opacity.  Throws an Effect error when the effect fails or hands over no outlines at all
// (an effect that does not know the outline suite).
std::string FrameDotsSvg(EffectSession& session, Instance& instance, PreparedFrame& frame);

// The paths FrameDotsSvg writes, alone, onto `out`: the body of one layer of a document
// of several (one per ink).
void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, PreparedFrame& frame);

}  // namespace tonedot::session
