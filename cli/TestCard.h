// The built-in test card: a colourful picture with smooth gradients, hard edges and
// features at several scales, so that halftones of it are easy to judge.  Also the soft
// mask the demo renders through.
#pragma once
#include "session/Picture.h"
#include "cli/Names.h"

namespace tonedot::cli {

// Opaque: a hue sweep from left to right fading to white at the top and to black at the
// bottom, three overlapping discs with radial shading, a grey ramp along the bottom and
// a checkerboard corner.
Picture MakeTestCard(int width, int height, Depth depth);

// White with an alpha that is opaque in a centred ellipse and fades to transparent
// around it, as a "Mask Target Layer".
Picture MakeTestMask(int width, int height, Depth depth);

}  // namespace tonedot::cli
