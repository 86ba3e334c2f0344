#include "render/ColorBlend.h"

int32_t BlendModeFromPopup(int32_t popupValue) {
    switch (popupValue) {
        case 3: return kBlendAdd;
        case 4: return kBlendSubtract;
        case 5: return kBlendMultiply;
        case 6: return kBlendScreen;
        case 7: return kBlendOverlay;
        case 8: return kBlendHardLight;
        case 9: return kBlendSoftLight;
        case 11: return kBlendDarken;
        case 12: return kBlendLighten;
        case 13: return kBlendDifference;
        case 14: return kBlendExclusion;
        default: return kBlendNormal;  // "Normal", the separators and anything unknown
    }
}

double SoftLight(double base, double blend) {
    const double d = base;
    const double k2 = 2.0 * blend - 1.0;
    double e = (d - d * d) * k2;
    if (blend >= 0.5) {
        if (d < 0.125) {
            e = e * (3.0 - 8.0 * d);
        } else {
            e = (std::sqrt(d) - d) * k2;
        }
    }
    return d + e;
}

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
