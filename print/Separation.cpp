#include "print/Separation.h"

#include <algorithm>
#include <cassert>


namespace tonedot::print {

const char* InkLetter(int ink) {
    static const char* const kLetters[kInkCount] = {"C", "M", "Y", "K"};
    assert(ink >= 0 && ink < kInkCount);
    return kLetters[ink];
}

const char* InkName(int ink) {
    static const char* const kNames[kInkCount] = {"Cyan", "Magenta", "Yellow", "Black"};
    assert(ink >= 0 && ink < kInkCount);
    return kNames[ink];
}

InkAmounts SeparateByGreyReplacement(float red, float green, float blue, const GreyReplacement& settings) {
    const float c = 1.0f - std::clamp(red, 0.0f, 1.0f);
    const float m = 1.0f - std::clamp(green, 0.0f, 1.0f);
    const float y = 1.0f - std::clamp(blue, 0.0f, 1.0f);
    const float k = static_cast<float>(settings.blackGeneration) * std::min({c, m, y});
    if (k >= 1.0f) return {0.0f, 0.0f, 0.0f, 1.0f};
    auto colour = [k](float v) { return std::clamp((v - k) / (1.0f - k), 0.0f, 1.0f); };
    return {colour(c), colour(m), colour(y), k};
}

void LimitInk(InkAmounts& a, double limit) {
    const double total = a[kCyan] + a[kMagenta] + a[kYellow] + a[kBlack];
    if (total <= limit) return;
    a[kBlack] = static_cast<float>(std::min<double>(a[kBlack], limit));
    const double colours = a[kCyan] + a[kMagenta] + a[kYellow];
    const double room = limit - a[kBlack];
    const double scale = colours > 0 ? std::max(0.0, room) / colours : 0.0;
    for (int i : {kCyan, kMagenta, kYellow}) a[i] = static_cast<float>(a[i] * scale);
}

void FinishInk(InkAmounts& amounts, float alpha, double limit) {
    if (!(alpha > 0)) amounts = {0, 0, 0, 0};
    else LimitInk(amounts, limit);
}

InkColour InkOnPaper(const InkAmounts& coverage, const std::array<InkColour, kInkCount>& inks, const InkColour& paper) {
    InkColour out = paper;
    for (int i = 0; i < kInkCount; ++i)
        for (int ch = 0; ch < 3; ++ch) out[ch] *= 1.0f - coverage[i] * (1.0f - inks[i][ch]);
    return out;
}

}  // namespace tonedot::print
