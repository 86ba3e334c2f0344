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
    const double c = 1.0 - std::clamp(red, 0.0f, 1.0f);
    const double m = 1.0 - std::clamp(green, 0.0f, 1.0f);
    const double y = 1.0 - std::clamp(blue, 0.0f, 1.0f);
    const double x = std::min({c, m, y});
    const double g = std::clamp(settings.blackGeneration, 0.0, 1.0);
    if (g <= 0) return {static_cast<float>(c), static_cast<float>(m), static_cast<float>(y), 0.0f};
    const double r = std::clamp(settings.richBlack, 0.0, 1.0);
    const double s = g >= 1 ? 0.0 : r * x * (1 - g) / (1 - g * x);
    const double k = x >= 1 ? 1.0 : std::clamp(1.0 - (1.0 - x) / (1.0 - s), 0.0, 1.0);
    if (k >= 1) {
        const float under = static_cast<float>(g >= 1 ? 0.0 : r);
        return {under, under, under, 1.0f};
    }
    auto colour = [k](double v) { return static_cast<float>(std::clamp((v - k) / (1.0 - k), 0.0, 1.0)); };
    return {colour(c), colour(m), colour(y), static_cast<float>(k)};
}

double RichBlackWithin(double inkLimit) { return std::clamp(std::min(kDefaultRichBlack, (inkLimit - 1) / 3), 0.0, 1.0); }

void LimitInk(InkAmounts& a, double limit) {
    const double total = a[kCyan] + a[kMagenta] + a[kYellow] + a[kBlack];
    if (total <= limit) return;
    a[kBlack] = static_cast<float>(std::min<double>(a[kBlack], limit));
    const double colours = a[kCyan] + a[kMagenta] + a[kYellow];
    const double room = limit - a[kBlack];
    const double scale = colours > 0 ? std::max(0.0, room) / colours : 0.0;
    for (int i : {kCyan, kMagenta, kYellow}) a[i] = static_cast<float>(a[i] * scale);
}

void FinishInk(InkAmounts& amounts, float alpha, double limit, bool alphaIsCoverage) {
    if (!(alpha > 0)) {
        amounts = {0, 0, 0, 0};
        return;
    }
    LimitInk(amounts, limit);
    if (alphaIsCoverage && alpha < 1)
        for (float& a : amounts) a *= alpha;
}

InkColour InkOnPaper(const InkAmounts& coverage, const std::array<InkColour, kInkCount>& inks, const InkColour& paper) {
    InkColour out = paper;
    for (int i = 0; i < kInkCount; ++i)
        for (int ch = 0; ch < 3; ++ch) out[ch] *= 1.0f - coverage[i] * (1.0f - inks[i][ch]);
    return out;
}

}  // namespace tonedot::print
