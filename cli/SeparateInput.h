// The picture `separate` screens, read as its file means it: the undefined values made
// harmless first, linear light brought to display values, and a CMYK file's own channels
// kept as its inks.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cli/ImageFile.h"
#include "cli/Names.h"

namespace tonedot::cli {

struct SeparateSource {
    // Float32.  Red, green, blue (display values, 0 to 1) and alpha (0 to 1); for a CMYK
    // file its cyan, magenta, yellow and black in red, green, blue and alpha.
    Picture picture;
    bool cmyk = false;
    bool linear = false;                          // the file holds linear light
    Depth fileDepth = Depth::Bits8;
    std::shared_ptr<const SourceTraits> traits;   // none for a CMYK file (its profile is no RGB one)
    std::string embeddedProfile;                  // the RGB or grey profile the file embeds, "" when none
    std::vector<std::string> warnings;            // what was assumed about the file
};

// Reads the input.  Before anything else, a pixel with a NaN in any channel is empty (no
// colour, wholly transparent: no ink), and every channel is held to 0 to 1 (infinities and
// light beyond white print as 0 or 1 anyway), so that no such value reaches the resampling
// or the screens.  Linear light (the file's colour space is linear, as OpenEXR files are)
// is encoded as sRGB display values; a float file that names no colour space is taken as
// display values, with a warning.
SeparateSource ReadSeparateSource(const std::string& path);

// sRGB display values of linear ones and back (0 to 1).
float LinearToSrgb(float v);
float SrgbToLinear(float v);

}  // namespace tonedot::cli
