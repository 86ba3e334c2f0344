// One dot on its way from the grid to the canvas.
#pragma once
#include <cstdint>
#include "AEUtil/Pixel.h"

namespace Render {

// A finished dot, as ordered and drawn.
template <class P>
struct DotRecord {
    double key;       // squared distance to the nearest front point, or -1
    double x;         // centre, dot-layer pixels
    double y;
    P color;          // alpha carries the dot's opacity
    double width;     // pixels, >= 0
    double height;    // pixels, >= 0
    double rotation;  // radians
    int32_t shape;    // "Dot Shape" 1..6
};

// A dot while it is being made: the attributes the randomisation and the effectors change.
template <class P>
struct DotState {
    double x;
    double y;
    double size;
    double aspect;
    double rotation;  // radians
    double opacity;   // fraction
    P color;
    double key;
};

}  // namespace Render
