#include "print/PrintScreen.h"

namespace tonedot::print {

InkPlanes SeparateRgb(const std::vector<float>& rgb, const std::vector<float>& alpha, const SeparationSettings& settings) {
    const std::size_t n = alpha.size();
    std::vector<InkAmounts> amounts(n);
    if (settings.icc) {
        settings.icc->Separate(rgb.data(), amounts.data(), n);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            amounts[i] = SeparateByGreyReplacement(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], settings.greyReplacement);
    }
    InkPlanes inks;
    for (auto& ink : inks) ink.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        FinishInk(amounts[i], alpha[i], settings.inkLimit, settings.alphaIsCoverage);
        for (int k = 0; k < kInkCount; ++k) inks[static_cast<std::size_t>(k)][i] = amounts[i][k];
    }
    return inks;
}

InkPlanes ScreenInks(ScreenRenderer& renderer, const InkPlanes& amounts, int width, int height,
                     const std::array<InkScreen, kInkCount>& screens, const InkDrawn& after) {
    InkPlanes coverage;
    for (int i = 0; i < kInkCount; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        ScreenRenderer::AfterDraw drawn;
        if (after) drawn = [&after, i](Instance& instance, PreparedFrame& frame) { after(i, instance, frame); };
        coverage[k] = renderer.Render(amounts[k], width, height, screens[k], drawn);
    }
    return coverage;
}

}  // namespace tonedot::print
