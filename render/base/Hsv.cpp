#include "render/base/Hsv.h"

#include <algorithm>
#include <cmath>

namespace Render {

Hsv RgbToHsv(double r, double g, double b) {
    const double v = std::max(r, std::max(g, b));
    const double m = std::min(r, std::min(g, b));
    const double delta = v - m;
    Hsv out{0.0, v != 0.0 ? delta / v : 0.0, v};
    if (out.s == 0.0) return out;
    double h;
    if (v == r) {
        h = (g - b) / delta;
    } else if (v == g) {
        h = (b - r) / delta + 2.0;
    } else {
        h = (r - g) / delta + 4.0;
    }
    h = h * 0.166666666666667;
    if (h < 0.0) h = h + 1.0;
    out.h = h;
    return out;
}

double WrapHue(double h) {
    if (h >= 0.0) return h - std::trunc(h);
    return h + std::fabs(std::trunc(h)) + 1.0;
}

}  // namespace Render
