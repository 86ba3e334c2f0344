// The print screens' dots as one SVG document with a layer per ink.
#pragma once
#include <array>
#include <string>

#include "print/Separation.h"
#include "cli/Names.h"

namespace tonedot::cli {

// The document: each ink's paths a layer, sized in inches at `dpi`.
std::string LayeredSvg(const std::array<std::string, kInkCount>& layers, int width, int height, double dpi);

}  // namespace tonedot::cli
