// `tonedot separate`: a picture as four screened inks (cyan, magenta, yellow, black), each
// drawn by the effect at its own angle, with area-true dots; written as a composite
// preview, plates, a CMYK TIFF and layered SVG.
#pragma once
#include "cli/CommandLine.h"

namespace tonedot::cli {

CommandDef SeparateCommandDef();
int RunSeparateCommand(const ParsedArgs& args);

}  // namespace tonedot::cli
