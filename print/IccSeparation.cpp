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

// The CMYK output profile at `path`.
cmsHPROFILE OpenOutputProfile(const std::string& path) {
    cmsHPROFILE output = cmsOpenProfileFromFile(path.c_str(), "r");
    if (!output) throw UsageError("cannot read the ICC profile \"" + path + "\": not a readable ICC profile.");
    if (cmsGetColorSpace(output) != cmsSigCmykData) {
        cmsCloseProfile(output);
        throw UsageError("the ICC profile \"" + path + "\" is not a CMYK profile.");
    }
    return output;
}

// The input's colour space: its embedded RGB or grey profile, else sRGB.
cmsHPROFILE OpenInputProfile(const std::string& embeddedProfile) {
    cmsHPROFILE input = embeddedProfile.empty()
                            ? cmsCreate_sRGBProfile()
                            : cmsOpenProfileFromMem(embeddedProfile.data(), static_cast<cmsUInt32Number>(embeddedProfile.size()));
    if (!input || (cmsGetColorSpace(input) != cmsSigRgbData && cmsGetColorSpace(input) != cmsSigGrayData)) {
        if (input) cmsCloseProfile(input);
        throw UsageError("the input's embedded colour profile is " +
                         std::string(input ? "not an RGB or grey profile" : "damaged") +
                         "; separate it without --profile, or remove the profile.");
    }
    return input;
}

// The input's profile (OpenInputProfile) for an open output profile, which is closed when
// the input's cannot be opened.
cmsHPROFILE OpenInputBeside(cmsHPROFILE output, const std::string& embeddedProfile) {
    try {
        return OpenInputProfile(embeddedProfile);
    } catch (...) {
        cmsCloseProfile(output);
        throw;
    }
}

cmsUInt32Number TransformFlags(const ColourRendering& rendering) {
    return rendering.blackPointCompensation ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0;
}

}  // namespace

IccSeparation::IccSeparation(const std::string& outputProfilePath, const std::string& embeddedProfile,
                             const ColourRendering& rendering) {
    cmsHPROFILE output = OpenOutputProfile(outputProfilePath);
    description_ = ProfileText(output);
    cmsHPROFILE input = OpenInputBeside(output, embeddedProfile);
    const bool grey = cmsGetColorSpace(input) == cmsSigGrayData;
    const cmsUInt32Number intent = static_cast<cmsUInt32Number>(rendering.intent);
    const cmsUInt32Number flags = TransformFlags(rendering);
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

IccProof::IccProof(const std::string& outputProfilePath, const std::string& embeddedProfile,
                   const ColourRendering& rendering) {
    cmsHPROFILE output = OpenOutputProfile(outputProfilePath);
    cmsHPROFILE input = OpenInputBeside(output, embeddedProfile);
    if (cmsGetColorSpace(input) != cmsSigRgbData) {
        cmsCloseProfile(input);
        input = cmsCreate_sRGBProfile();
    }
    // A proof maps colour by colour, the paper's white as the preview's white (relative
    // colorimetric), or with the paper's own tint when colour is asked for absolutely.
    const RenderingIntent intent = rendering.intent == RenderingIntent::AbsoluteColorimetric
                                       ? RenderingIntent::AbsoluteColorimetric
                                       : RenderingIntent::RelativeColorimetric;
    const cmsUInt32Number flags = TransformFlags(rendering);
    transform_ = cmsCreateTransform(output, TYPE_CMYK_FLT, input, TYPE_RGB_FLT, static_cast<cmsUInt32Number>(intent), flags);
    cmsCloseProfile(input);
    cmsCloseProfile(output);
    if (!transform_) throw UsageError("Little CMS cannot transform from the ICC profile \"" + outputProfilePath + "\".");
}

IccProof::~IccProof() {
    if (transform_) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void IccProof::Proof(const InkAmounts* coverage, float* rgb, std::size_t count) const {
    // Little CMS takes float CMYK in percent.
    std::vector<float> cmyk(count * kInkCount);
    for (std::size_t i = 0; i < count; ++i)
        for (int k = 0; k < kInkCount; ++k) cmyk[i * kInkCount + k] = coverage[i][k] * 100.0f;
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), cmyk.data(), rgb, static_cast<cmsUInt32Number>(count));
    for (std::size_t i = 0; i < count * 3; ++i) rgb[i] = std::clamp(rgb[i], 0.0f, 1.0f);
}

}  // namespace tonedot::print
