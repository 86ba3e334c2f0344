// The print screens' dots as one SVG document with a layer per ink.
#pragma once
#include <array>
#include <string>

#include "print/Separation.h"
#include "cli/Names.h"

namespace tonedot::cli {

// The paths of a frame's dots (a path a line) that reach into the picture: the grid runs on
// past its edges, and a plotter would draw the dots wholly outside.
std::string DotsReachingIn(const std::string& paths, int width, int height);

// The document: each ink's paths a layer, sized in inches at `dpi`.
std::string LayeredSvg(const std::array<std::string, kInkCount>& layers, int width, int height, double dpi);

}  // namespace tonedot::cli
