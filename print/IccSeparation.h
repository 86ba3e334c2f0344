// Colour to ink through ICC profiles, with Little CMS.
#pragma once
#include <cstddef>
#include <string>

#include "print/Separation.h"

namespace tonedot::print {

// How colours are mapped between profiles: the ICC rendering intents, and black-point
// compensation.
enum class RenderingIntent { Perceptual = 0, RelativeColorimetric = 1, Saturation = 2, AbsoluteColorimetric = 3 };
struct ColourRendering {
    RenderingIntent intent = RenderingIntent::Perceptual;
    bool blackPointCompensation = false;
};

// An ICC transform from the input's colour space (its embedded profile, else sRGB) to a
// CMYK output profile.
class IccSeparation {
public:
    // Throws a Usage error when the output profile cannot be read or is not a CMYK
    // output profile, or the embedded profile is not an RGB or grey one.
    IccSeparation(const std::string& outputProfilePath, const std::string& embeddedProfile,
                  const ColourRendering& rendering = {});
    ~IccSeparation();
    IccSeparation(const IccSeparation&) = delete;
    IccSeparation& operator=(const IccSeparation&) = delete;

    // `count` pixels of red, green, blue (0 to 1, interleaved) to ink amounts.
    void Separate(const float* rgb, InkAmounts* out, std::size_t count) const;
    // The output profile's description.
    const std::string& Description() const { return description_; }

private:
    void* transform_ = nullptr;  // cmsHTRANSFORM
    std::string description_;
};

}  // namespace tonedot::print
