#include "render/effectors/ColorBlend.h"
#include "look/Choices.h"

namespace Render {

int32_t BlendModeFromPopup(int32_t popupValue) {
    switch (popupValue) {
        case Look::kBlendChoiceAdd: return kBlendAdd;
        case Look::kBlendChoiceSubtract: return kBlendSubtract;
        case Look::kBlendChoiceMultiply: return kBlendMultiply;
        case Look::kBlendChoiceScreen: return kBlendScreen;
        case Look::kBlendChoiceOverlay: return kBlendOverlay;
        case Look::kBlendChoiceHardLight: return kBlendHardLight;
        case Look::kBlendChoiceSoftLight: return kBlendSoftLight;
        case Look::kBlendChoiceDarken: return kBlendDarken;
        case Look::kBlendChoiceLighten: return kBlendLighten;
        case Look::kBlendChoiceDifference: return kBlendDifference;
        case Look::kBlendChoiceExclusion: return kBlendExclusion;
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

}  // namespace Render
