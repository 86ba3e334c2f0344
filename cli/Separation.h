// Colour to ink: the amounts of cyan, magenta, yellow and black (0 to 1) that print a
// colour, by grey-component replacement or through ICC profiles (Little CMS), and the
// preview of inks laid over paper.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace tonedot::cli {

enum Ink { kCyan = 0, kMagenta, kYellow, kBlack, kInkCount };
// "C", "M", "Y", "K".
const char* InkLetter(int ink);

using InkAmounts = std::array<float, kInkCount>;

// The built-in separation.  From red, green, blue (0 to 1, as the file holds them):
// c' = 1 - red, m' = 1 - green, y' = 1 - blue; black K = g * min(c', m', y') for a black
// generation g from 0 (no black) to 1 (all grey from black); each colour ink
// (c' - K) / (1 - K), 0 where K is 1.  Laid over each other as the preview lays them
// (ideal inks multiplied), these print the colour exactly.
struct GreyReplacement {
    double blackGeneration = 0.5;
};
InkAmounts SeparateByGreyReplacement(float red, float green, float blue, const GreyReplacement& settings);

// No more than `limit` (0 to 4, 4 is no limit) of ink in total: black is kept (down to the
// limit), the colour inks are scaled down together to what is left.
void LimitInk(InkAmounts& amounts, double limit);

// An ICC transform from the input's colour space (its embedded profile, else sRGB) to a
// CMYK output profile, perceptual intent.
class IccSeparation {
public:
    // Throws a usage CliError when the output profile cannot be read or is not a CMYK
    // output profile, or the embedded profile is not an RGB or grey one.
    IccSeparation(const std::string& outputProfilePath, const std::string& embeddedProfile);
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

// The colour (0 to 1, red, green, blue) of inks of the given coverage on paper: each ink
// filters the light by its colour where it lies, ink over ink multiplies.
std::array<float, 3> InkOnPaper(const InkAmounts& coverage, const std::array<std::array<float, 3>, kInkCount>& inks,
                               const std::array<float, 3>& paper);

}  // namespace tonedot::cli
