// The print screen of a picture, one pipeline for every front end: separate the colours
// into ink amounts, screen each ink with the effect, and lay the screened inks over paper.
#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "print/IccSeparation.h"
#include "print/InkScreen.h"
#include "print/Separation.h"

namespace tonedot::print {

// One value per pixel (row by row) for each ink, in the order of Ink.
using InkPlanes = std::array<std::vector<float>, kInkCount>;

// How colours become inks: through an ICC transform when one is given, else by
// grey-component replacement; then at most `inkLimit` of ink in total (4: no limit).
struct SeparationSettings {
    GreyReplacement greyReplacement;
    const IccSeparation* icc = nullptr;
    double inkLimit = kInkCount;
    bool alphaIsCoverage = false;  // FinishInk
};

// The ink amounts of `count` pixels given as red, green, blue (0 to 1, interleaved) and
// their alphas.
InkPlanes SeparateRgb(const std::vector<float>& rgb, const std::vector<float>& alpha, const SeparationSettings& settings);

// The same for pixels read through pixelAt(i), which gives {red, green, blue, alpha}.
template <class PixelAt>
InkPlanes SeparatePixels(std::size_t count, PixelAt&& pixelAt, const SeparationSettings& settings) {
    std::vector<float> rgb(count * 3), alpha(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::array<float, 4> p = pixelAt(i);
        rgb[i * 3] = p[0];
        rgb[i * 3 + 1] = p[1];
        rgb[i * 3 + 2] = p[2];
        alpha[i] = p[3];
    }
    return SeparateRgb(rgb, alpha, settings);
}

// Called after an ink is drawn, with the ink and the instance and frame that drew it (for
// the dots as vectors).
using InkDrawn = std::function<void(int ink, Instance&, PreparedFrame&)>;

// The share of each pixel each ink covers, each ink screened as `screens` says.
InkPlanes ScreenInks(ScreenRenderer& renderer, const InkPlanes& amounts, int width, int height,
                     const std::array<InkScreen, kInkCount>& screens, const InkDrawn& after = nullptr);

// The screened inks over paper: put(i, colour) for every pixel.
template <class Put>
void CompositeInks(const InkPlanes& coverage, const std::array<InkColour, kInkCount>& inks, const InkColour& paper,
                   Put&& put) {
    const std::size_t n = coverage[0].size();
    for (std::size_t i = 0; i < n; ++i) {
        const InkAmounts c{coverage[0][i], coverage[1][i], coverage[2][i], coverage[3][i]};
        put(i, InkOnPaper(c, inks, paper));
    }
}

}  // namespace tonedot::print
