#include "print/IccSeparation.h"

#include <algorithm>
#include <vector>

#include <lcms2.h>

#include "session/Errors.h"

namespace tonedot::print {

using session::UsageError;

namespace {

std::string ProfileText(cmsHPROFILE profile) {
    char text[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    return text;
}

}  // namespace

IccSeparation::IccSeparation(const std::string& outputProfilePath, const std::string& embeddedProfile,
                             const ColourRendering& rendering) {
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
    const cmsUInt32Number intent = static_cast<cmsUInt32Number>(rendering.intent);
    const cmsUInt32Number flags = rendering.blackPointCompensation ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0;
    transform_ = cmsCreateTransform(input, grey ? TYPE_GRAY_FLT | EXTRA_SH(2) : TYPE_RGB_FLT, output, TYPE_CMYK_FLT,
                                    intent, flags);
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

}  // namespace tonedot::print
