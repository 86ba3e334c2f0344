// The RGB <-> HSV conversions behind the layout's hue/saturation/value randomisation and
// the effectors' hue shift.
#pragma once
#include <cmath>
#include "AEUtil/Pixel.h"

namespace Render {

struct Hsv {
    double h;  // turns, 0 <= h < 1, 0 = red
    double s;  // 0..1
    double v;  // 0..1
};

// r, g, b on the 0..1 scale.
Hsv RgbToHsv(double r, double g, double b);

// Brings a hue back into [0, 1) after a shift: the fractional part for h >= 0, and
// h + |trunc(h)| + 1 below 0.
double WrapHue(double h);

// A pixel of type P with full alpha from a hue (turns), saturation and value.  A hue whose
// sixth falls outside 0..5 (a negative hue) gives black.
template <class P>
P HsvToRgb(double h, double s, double v) {
    using Traits = PixelTraits<P>;
    const double h6 = (h - std::trunc(h)) * 6.0;
    const double sector = std::trunc(h6);
    const double f = h6 - sector;
    const double lo = (1.0 - s) * v;
    const double q = (1.0 - f * s) * v;
    const double t = (1.0 - (1.0 - f) * s) * v;
    // Compared as a double so that a non-finite hue cannot reach an int conversion.
    const int i = (sector >= 0.0 && sector < 6.0) ? static_cast<int>(sector) : -1;
    double r = 0.0, g = 0.0, b = 0.0;
    switch (i) {
        case 0: r = v; g = t; b = lo; break;
        case 1: r = q; g = v; b = lo; break;
        case 2: r = lo; g = v; b = t; break;
        case 3: r = lo; g = q; b = v; break;
        case 4: r = t; g = lo; b = v; break;
        case 5: r = v; g = lo; b = q; break;
        default: break;
    }
    P out;
    out.alpha = Traits::Full();
    out.red = Traits::FromUnit(r);
    out.green = Traits::FromUnit(g);
    out.blue = Traits::FromUnit(b);
    return out;
}

}  // namespace Render
