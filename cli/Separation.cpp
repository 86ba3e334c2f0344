#include "cli/Separation.h"

#include <algorithm>
#include <cassert>

#include <lcms2.h>

#include "cli/ExitCodes.h"

namespace tonedot::cli {

const char* InkLetter(int ink) {
    static const char* const kLetters[kInkCount] = {"C", "M", "Y", "K"};
    assert(ink >= 0 && ink < kInkCount);
    return kLetters[ink];
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

namespace {

std::string ProfileText(cmsHPROFILE profile) {
    char text[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    return text;
}

}  // namespace

IccSeparation::IccSeparation(const std::string& outputProfilePath, const std::string& embeddedProfile) {
    cmsHPROFILE output = cmsOpenProfileFromFile(outputProfilePath.c_str(), "r");
    if (!output) throw UsageError("cannot read the ICC profile \"" + outputProfilePath + "\": not a readable ICC profile.");
    if (cmsGetColorSpace(output) != cmsSigCmykData) {
        cmsCloseProfile(output);
        throw UsageError("the ICC profile \"" + outputProfilePath + "\" is not a CMYK profile.");
    }
    description_ = ProfileText(output);
    cmsHPROFILE input = embeddedProfile.empty()
                            ? cmsCreate_sRGBProfile()
                            : cmsOpenProfileFromMem(embeddedProfile.data(), static_cast<cmsUInt32Number>(embeddedProfile.size()));
    if (!input || (cmsGetColorSpace(input) != cmsSigRgbData && cmsGetColorSpace(input) != cmsSigGrayData)) {
        if (input) cmsCloseProfile(input);
        cmsCloseProfile(output);
        throw UsageError("the input's embedded colour profile is " +
                         std::string(input ? "not an RGB or grey profile" : "damaged") +
                         "; separate it without --profile, or remove the profile.");
    }
    const bool grey = cmsGetColorSpace(input) == cmsSigGrayData;
    transform_ = cmsCreateTransform(input, grey ? TYPE_GRAY_FLT | EXTRA_SH(2) : TYPE_RGB_FLT, output, TYPE_CMYK_FLT,
                                    INTENT_PERCEPTUAL, 0);
    cmsCloseProfile(input);
    cmsCloseProfile(output);
    if (!transform_) throw UsageError("Little CMS cannot transform into the ICC profile \"" + outputProfilePath + "\".");
}

IccSeparation::~IccSeparation() {
    if (transform_) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void IccSeparation::Separate(const float* rgb, InkAmounts* out, std::size_t count) const {
    // Little CMS gives float CMYK in percent.
    std::vector<float> cmyk(count * kInkCount);
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), rgb, cmyk.data(), static_cast<cmsUInt32Number>(count));
    for (std::size_t i = 0; i < count; ++i)
        for (int k = 0; k < kInkCount; ++k) out[i][k] = std::clamp(cmyk[i * kInkCount + k] / 100.0f, 0.0f, 1.0f);
}

std::array<float, 3> InkOnPaper(const InkAmounts& coverage, const std::array<std::array<float, 3>, kInkCount>& inks,
                               const std::array<float, 3>& paper) {
    std::array<float, 3> out = paper;
    for (int i = 0; i < kInkCount; ++i)
        for (int ch = 0; ch < 3; ++ch) out[ch] *= 1.0f - coverage[i] * (1.0f - inks[i][ch]);
    return out;
}

}  // namespace tonedot::cli
