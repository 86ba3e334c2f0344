// The print screens' dots as a PDF for the print shop: one page, each ink's dots vector
// shapes in its process colour (DeviceCMYK), overprinting as inks do, a layer (optional
// content group) per ink.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "cli/Names.h"
#include "print/Separation.h"
#include "session/DotVectors.h"

namespace tonedot::cli {

// Whether this build writes PDFs (it needs libqpdf).
bool LayeredPdfBuilt();

// The document of the inks' dots (cyan first, in the layer's pixels, y down): a page of
// width x height pixels at `dpi`, clipped to the page.  A dot drawn at part opacity is that
// tint of its ink.  Throws a usage CliError when the build has no PDF output.
std::string LayeredPdf(const std::array<std::vector<DotOutline>, kInkCount>& inks, int width, int height, double dpi);

}  // namespace tonedot::cli
