// What `tonedot separate` is asked to do: its options read into a plan, checked before
// anything is drawn.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CommandLine.h"
#include "print/IccSeparation.h"
#include "print/InkScreen.h"
#include "print/Separation.h"
#include "session/RegisteredParams.h"
#include "cli/Names.h"

namespace tonedot::cli {

constexpr double kDefaultLpi = 30, kDefaultDpi = 300;

using Rgb = InkColour;

// How a picture meets a --size of both sides.
enum class SizeFit { Fit, Fill, Stretch };

struct SeparatePlan {
    std::string input, output, platePrefix, svg, pdf, profile, effect;
    bool cmyk = false, quiet = false, factoryDefaults = false;
    int plateBits = 8;
    double lpi = kDefaultLpi, dpi = kDefaultDpi;
    std::optional<std::pair<double, double>> sizeInches;  // width, height (0: keep the aspect)
    SizeFit fit = SizeFit::Fit;
    std::array<InkScreen, kInkCount> screens;  // with the print curve of --min-dot, --max-dot, --dot-gain
    GreyReplacement greyReplacement;
    ColourRendering rendering;       // with --profile
    std::optional<double> inkLimit;  // 0 to 4
    bool inkLimitGiven = false;      // by --ink-limit
    std::array<Rgb, kInkCount> inkColours;
    Rgb paper{1, 1, 1};

    std::vector<std::string> Outputs() const {
        std::vector<std::string> out;
        if (!output.empty()) out.push_back(output);
        if (!platePrefix.empty())
            for (int i = 0; i < kInkCount; ++i) out.push_back(platePrefix + "-" + InkLetter(i) + ".tif");
        if (!svg.empty()) out.push_back(svg);
        if (!pdf.empty()) out.push_back(pdf);
        return out;
    }
};

// The plan of the separate command's arguments.  Throws a usage CliError, or an I/O one
// when an output's folder cannot be written.
SeparatePlan MakeSeparatePlan(const ParsedArgs& args, const RegisteredParams& params);

// "#RRGGBB".
std::string HexColour(const Rgb& c);

// No output may be an input (the picture or a layer file) or another output (by file
// identity, and by name for files that are not there yet).
void CheckSeparateOutputs(const SeparatePlan& plan, const std::vector<std::string>& layerFiles,
                          const ParsedArgs& args);

}  // namespace tonedot::cli
