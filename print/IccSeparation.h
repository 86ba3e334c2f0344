// Colour to ink through ICC profiles, with Little CMS.
#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

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

// The reverse: a CMYK output profile's inks back to the colour space the input was in (its
// embedded RGB profile, else sRGB), as a proof of what the inks print: relative colorimetric
// (the paper is the preview's white), absolute colorimetric when `rendering` asks for it
// (the paper's tint shown), with its black-point compensation.
class IccProof {
public:
    // Throws a Usage error as IccSeparation does; an embedded grey profile proofs in sRGB.
    IccProof(const std::string& outputProfilePath, const std::string& embeddedProfile,
             const ColourRendering& rendering = {});
    ~IccProof();
    IccProof(const IccProof&) = delete;
    IccProof& operator=(const IccProof&) = delete;

    // `count` pixels' ink coverage (0 to 1) to red, green, blue (0 to 1, interleaved).
    void Proof(const InkAmounts* coverage, float* rgb, std::size_t count) const;
    // put(i, colour) for each of `count` pixels, pixel i covered as coverage(i) says.
    template <class Coverage, class Put>
    void ProofPixels(std::size_t count, Coverage&& coverage, Put&& put) const {
        constexpr std::size_t kChunk = 4096;
        std::vector<InkAmounts> in(std::min(count, kChunk));
        std::vector<float> rgb(in.size() * 3);
        for (std::size_t start = 0; start < count; start += kChunk) {
            const std::size_t m = std::min(kChunk, count - start);
            for (std::size_t i = 0; i < m; ++i) in[i] = coverage(start + i);
            Proof(in.data(), rgb.data(), m);
            for (std::size_t i = 0; i < m; ++i) put(start + i, InkColour{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
        }
    }

private:
    void* transform_ = nullptr;  // cmsHTRANSFORM
};

}  // namespace tonedot::print
