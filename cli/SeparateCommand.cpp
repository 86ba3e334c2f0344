#include "cli/SeparateCommand.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"
#include "cli/InkLayersSvg.h"
#include "cli/RenderCommand.h"
#include "cli/SeparatePlan.h"
#include "cli/TiffFile.h"
#include "print/PrintScreen.h"
#include "session/DotVectors.h"
#include "session/EffectSession.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

// The picture resampled to width x height (the image library's filtered resize).
Picture Resample(const Picture& picture, int width, int height) {
    const OIIO::ImageSpec from(picture.Width(), picture.Height(), 4, OIIO::TypeDesc::FLOAT);
    OIIO::ImageBuf source(from, const_cast<unsigned char*>(picture.Data()));
    OIIO::ImageBuf target(OIIO::ImageSpec(width, height, 4, OIIO::TypeDesc::FLOAT));
    if (!OIIO::ImageBufAlgo::resize(target, source, "", 0, OIIO::ROI(0, width, 0, height, 0, 1, 0, 4), 1))
        throw CliError(kExitInternal, "cannot resample the picture: " + target.geterror());
    Picture out(Depth::Float32, width, height);
    if (!target.get_pixels(OIIO::ROI(0, width, 0, height, 0, 1, 0, 4), OIIO::TypeDesc::FLOAT, out.Data()))
        throw CliError(kExitInternal, "cannot resample the picture: " + target.geterror());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Pixel32& p = out.At<Pixel32>(x, y);
            p.alpha = std::clamp(p.alpha, 0.0f, 1.0f);
        }
    return out;
}

// The ink amounts of every pixel, ink by ink.
InkPlanes SeparatePicture(const Picture& picture, const SeparatePlan& plan, const std::string& embeddedProfile) {
    const std::size_t n = static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height());
    const auto* pixels = reinterpret_cast<const Pixel32*>(picture.Data());
    std::optional<IccSeparation> icc;
    if (!plan.profile.empty()) icc.emplace(plan.profile, embeddedProfile);
    SeparationSettings settings;
    settings.greyReplacement = plan.greyReplacement;
    settings.icc = icc ? &*icc : nullptr;
    settings.inkLimit = plan.inkLimit.value_or(kInkCount);
    return SeparatePixels(
        n, [&](std::size_t i) { return std::array<float, 4>{pixels[i].red, pixels[i].green, pixels[i].blue, pixels[i].alpha}; },
        settings);
}

std::uint8_t Byte(float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

int Separate(const ParsedArgs& args);

}  // namespace

CommandDef SeparateCommandDef() {
    std::string defaultAngles, defaultInks;
    for (int i = 0; i < kInkCount; ++i) {
        defaultAngles += (i ? "," : "") + FormatNumber(kDefaultScreenAngles[i]);
        defaultInks += (i ? "," : "") + HexColour(kProcessInks[i]);
    }
    CommandDef command;
    command.name = "separate";
    command.usage = "INPUT [-o OUTPUT] [--plates PREFIX] [--svg FILE] [options]";
    command.brief = "Screens a picture as four inks (CMYK) at their own angles.";
    command.summary =
        "Separates a picture into cyan, magenta, yellow and black and screens each ink with\n"
        "the effect: dots at the ink's angle, dpi/lpi pixels apart, whose area follows the\n"
        "ink's amount.  Writes the inks laid over paper (-o), the plates (--plates), a CMYK\n"
        "TIFF (-o FILE.tif --cmyk) and the dots as SVG with a layer per ink (--svg).";
    command.minArguments = command.maxArguments = 1;
    command.options = {
        {"output", 'o', "FILE", "The inks over paper, as a picture (.png, .tif, ...); alpha kept.", false},
        {"plates", 0, "PREFIX", "Writes the plates PREFIX-C.tif, -M, -Y, -K: ink black on white paper.", false},
        {"plate-bits", 0, "8|1", "Plates in 8-bit grey (default) or 1-bit (ink where a pixel is at\nleast half covered).", false},
        {"svg", 0, "FILE", "Writes the dots as SVG, one layer per ink, each dot a shape in the\nink's colour; sized in inches at --dpi.", false},
        {"cmyk", 0, "", "Writes -o as a CMYK TIFF of the screened inks (with the --profile\nprofile embedded) instead of the preview.", false},
        {"lpi", 0, "N", "Screen frequency in lines per inch (default " + FormatNumber(kDefaultLpi) + ").", false},
        {"dpi", 0, "N", "Resolution in pixels per inch (default " + FormatNumber(kDefaultDpi) + "); the dots are dpi/lpi\npixels apart.", false},
        {"size", 0, "WxH(in|mm)", "Resamples the picture to this printed size at --dpi (8x10in,\n210x297mm, or only the width: 6in).", false},
        {"angles", 0, "C,M,Y,K", "Screen angles in degrees, counter-clockwise (default " + defaultAngles + ").", false},
        {"shape", 0, "SHAPE[,M,Y,K]", "Dot shape for every ink, or one per ink: Circle, Square, Round\nSquare, Cross, Star, Diamond (default: Dot Shape's default).", false},
        {"black-generation", 0, "G", "Black from 0 (none) to 1 (all grey printed black); default " + FormatNumber(kDefaultBlackGeneration) + ".", false},
        {"ink-limit", 0, "PERCENT", "Most ink in total, 0 to 400 (default " + FormatNumber(kDefaultInkLimit * 100) + " for the built-in\nseparation, none with --profile).", false},
        {"profile", 0, "FILE.icc", "Separates through this CMYK ICC output profile (Little CMS),\nfrom the input's embedded profile or else sRGB.", false},
        {"ink-colors", 0, "C,M,Y,K", "The inks' colours as #RRGGBB for the preview and the SVG (default\n" + defaultInks + ").", false},
        {"paper", 0, "#RRGGBB", "The paper's colour in the preview (default #FFFFFF).", false},
        {"set", 's', "NAME=VALUE", "Sets any other effect parameter for every ink, as for render\n(effectors 2 and 3 included).", true},
        {"layer", 'l', "NAME=FILE", "Gives a layer parameter (Custom Map Layer 2 or 3, Mask Target\nLayer) an image file, self (the picture) or none, as for render.", true},
        {"preset", 'p', "FILE", "Reads parameter values from a preset first.", true},
        FactoryDefaultsOption(),
        {"quiet", 0, "", "No messages on success.", false},
        EffectOption(),
    };
    command.details =
        "Examples:\n"
        "  tonedot separate photo.png -o print.png --plates photo --lpi 85 --dpi 300\n"
        "  tonedot separate photo.png --svg layers.svg --lpi 10 --dpi 100 --shape Diamond\n"
        "  tonedot separate photo.tif -o photo-cmyk.tif --cmyk --profile default_cmyk.icc\n"
        "\n"
        "Exit codes: 0 done; 2 usage (bad option or value, an output that is the input, a\n"
        "profile that is not CMYK); 3 the input could not be read or an output not written\n"
        "(nothing is left then); 4 the effect failed; 5 out of memory; 128 + the signal\n"
        "when interrupted.\n";
    return command;
}

int RunSeparateCommand(const ParsedArgs& args) {
    try {
        return Separate(args);
    } catch (const std::bad_alloc&) {
        throw CliError(kExitMemory, "the picture needs more memory than there is; separate it at a smaller --size "
                                    "or a lower --dpi.");
    }
}

namespace {

int Separate(const ParsedArgs& args) {
    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), args.Has("factory-defaults"));
    const SeparatePlan plan = MakeSeparatePlan(args, session.Params());
    const ParamSettings user = SettingsFromArgs(session.Params(), args);
    for (const std::string& name : ScreenParameterNames())
        if (user.count(session.Params().Require(name).index))
            throw UsageError("\"" + name + "\" is set by separate for every ink; use --shape, --angles, --lpi, --dpi "
                             "and --ink-colors, and effectors 2 and 3 for effects of your own.");
    std::vector<std::string> layerFiles;
    for (const auto& [index, value] : user)
        if (value.layer == LayerChoice::File) layerFiles.push_back(value.layerFile);
    CheckSeparateOutputs(plan, layerFiles, args);

    LoadedImage loaded = ReadImage(plan.input);
    const std::string embedded = EmbeddedColourProfile(loaded.traits.get());
    Picture picture = ConvertDepth(loaded.picture, Depth::Float32);
    loaded.picture = Picture();
    if (plan.sizeInches) {
        const double w = plan.sizeInches->first * plan.dpi;
        const double h = plan.sizeInches->second > 0 ? plan.sizeInches->second * plan.dpi
                                                     : w * picture.Height() / picture.Width();
        if (w < 1 || h < 1 || w * h > 1.0e9)
            throw UsageError("--size at --dpi " + FormatNumber(plan.dpi) + " is " + FormatNumber(std::round(w)) + " x " +
                             FormatNumber(std::round(h)) + " pixels; it must be at least 1 x 1 and at most a gigapixel.");
        picture = Resample(picture, static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h)));
    }
    const int width = picture.Width(), height = picture.Height();
    const InkPlanes amounts = SeparatePicture(picture, plan, embedded);

    // The user's layer parameters: the picture itself or files, in the screens' depth.
    std::map<int, Picture> layerPictures;
    std::map<int, const Picture*> layerViews;
    for (const auto& [index, value] : user) {
        if (value.layer == LayerChoice::None) continue;
        Picture layer = value.layer == LayerChoice::Self ? ConvertDepth(picture, Depth::Bits16)
                                                         : ReadImage(value.layerFile, Depth::Bits16).picture;
        if (value.layerLuma) layer = LuminanceAsAlpha(std::move(layer));
        layerViews[index] = &(layerPictures[index] = std::move(layer));
    }
    ScreenRenderer renderer(session, user);
    renderer.SetLayers(layerViews);
    std::array<std::string, kInkCount> layers;
    InkDrawn vectors;
    if (!plan.svg.empty())
        vectors = [&](int ink, Instance& instance, PreparedFrame& frame) {
            std::ostringstream paths;
            WriteFrameDotPaths(paths, session, instance, frame);
            layers[static_cast<std::size_t>(ink)] = DotsReachingIn(paths.str(), width, height);
        };
    const InkPlanes coverage = ScreenInks(renderer, amounts, width, height, plan.screens, vectors);

    // Every output is written to a temporary file beside it; only when all are written are
    // they renamed into place.
    std::vector<std::unique_ptr<AtomicFile>> staged;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (!plan.output.empty()) {
        staged.push_back(std::make_unique<AtomicFile>(plan.output));
        if (plan.cmyk) {
            std::vector<std::uint8_t> data(n * kInkCount);
            for (std::size_t p = 0; p < n; ++p)
                for (std::size_t k = 0; k < kInkCount; ++k) data[p * kInkCount + k] = Byte(coverage[k][p]);
            std::string profile;
            if (!plan.profile.empty() && !ReadWholeFile(plan.profile, profile))
                throw IOError("cannot read the ICC profile \"" + plan.profile + "\".");
            WriteTiff(staged.back()->TempPath(), plan.output, width, height, {"C", "M", "Y", "K"}, data, 8, "CMYK",
                      profile);
        } else {
            const auto* source = reinterpret_cast<const Pixel32*>(picture.Data());
            Picture preview(Depth::Float32, width, height);
            auto* pixels = reinterpret_cast<Pixel32*>(preview.Data());
            CompositeInks(coverage, plan.inkColours, plan.paper, [&](std::size_t p, const Rgb& rgb) {
                pixels[p] = Pixel32{source[p].alpha, rgb[0], rgb[1], rgb[2]};
            });
            WriteOptions options;
            options.source = loaded.traits.get();
            WriteImage(staged.back()->TempPath(), ConvertDepth(preview, loaded.fileDepth), options);
        }
    }
    if (!plan.platePrefix.empty()) {
        std::vector<std::uint8_t> data(n);
        for (std::size_t k = 0; k < kInkCount; ++k) {
            const std::string path = plan.platePrefix + "-" + InkLetter(static_cast<int>(k)) + ".tif";
            for (std::size_t p = 0; p < n; ++p)
                data[p] = plan.plateBits == 1 ? (coverage[k][p] >= 0.5f ? 0 : 255) : Byte(1.0f - coverage[k][p]);
            staged.push_back(std::make_unique<AtomicFile>(path));
            WriteTiff(staged.back()->TempPath(), path, width, height, {"Y"}, data, plan.plateBits, "", "");
        }
    }
    if (!plan.svg.empty()) {
        staged.push_back(std::make_unique<AtomicFile>(plan.svg));
        WriteTextFileAtomically(staged.back()->TempPath(), LayeredSvg(layers, width, height, plan.dpi));
    }
    for (auto& file : staged) file->Commit();
    if (!plan.quiet)
        for (const std::string& out : plan.Outputs()) std::fprintf(stderr, "tonedot: wrote %s\n", out.c_str());
    return kExitOk;
}

}  // namespace
}  // namespace tonedot::cli
