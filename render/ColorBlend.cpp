#include "render/ColorBlend.h"
#include "render/Choices.h"

namespace Render {

int32_t BlendModeFromPopup(int32_t popupValue) {
    switch (popupValue) {
        case kBlendChoiceAdd: return kBlendAdd;
        case kBlendChoiceSubtract: return kBlendSubtract;
        case kBlendChoiceMultiply: return kBlendMultiply;
        case kBlendChoiceScreen: return kBlendScreen;
        case kBlendChoiceOverlay: return kBlendOverlay;
        case kBlendChoiceHardLight: return kBlendHardLight;
        case kBlendChoiceSoftLight: return kBlendSoftLight;
        case kBlendChoiceDarken: return kBlendDarken;
        case kBlendChoiceLighten: return kBlendLighten;
        case kBlendChoiceDifference: return kBlendDifference;
        case kBlendChoiceExclusion: return kBlendExclusion;
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

}  // namespace Render
