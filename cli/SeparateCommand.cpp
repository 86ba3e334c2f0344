#include "cli/SeparateCommand.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/FrameMemory.h"
#include "cli/ImageFile.h"
#include "cli/InkLayersPdf.h"
#include "cli/InkLayersSvg.h"
#include "cli/Progress.h"
#include "cli/RenderCommand.h"
#include "cli/SeparateInput.h"
#include "cli/SeparatePlan.h"
#include "cli/TiffFile.h"
#include "print/PrintScreen.h"
#include "session/DotVectors.h"
#include "session/EffectSession.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

// The page a picture of width x height becomes: resampled to `resized` (the printed size
// of --size at --dpi, fitted inside it, its aspect kept; filling it; or stretched to it,
// as --fit says), then cropped about the centre to `page` (fill only).
struct PageGeometry {
    int resizedW = 0, resizedH = 0, pageW = 0, pageH = 0;
    bool fitted = false;  // fit made the page smaller than asked on one side
};

PageGeometry PageFor(const SeparatePlan& plan, int width, int height) {
    PageGeometry g{width, height, width, height, false};
    if (!plan.sizeInches) return g;
    const double boxW = plan.sizeInches->first * plan.dpi;
    const double boxH = plan.sizeInches->second > 0 ? plan.sizeInches->second * plan.dpi
                                                    : boxW * height / width;
    double w = boxW, h = boxH;
    if (plan.fit != SizeFit::Stretch && plan.sizeInches->second > 0) {
        const double scale = plan.fit == SizeFit::Fit ? std::min(boxW / width, boxH / height)
                                                      : std::max(boxW / width, boxH / height);
        w = width * scale;
        h = height * scale;
    }
    if (boxW < 1 || boxH < 1 || w < 1 || h < 1 || w * h > 1.0e9 || boxW * boxH > 1.0e9)
        throw UsageError("--size at --dpi " + FormatNumber(plan.dpi) + " is " + FormatNumber(std::round(w)) + " x " +
                         FormatNumber(std::round(h)) + " pixels; it must be at least 1 x 1 and at most a gigapixel.");
    g.resizedW = static_cast<int>(std::lround(w));
    g.resizedH = static_cast<int>(std::lround(h));
    g.pageW = plan.fit == SizeFit::Fill ? std::min(g.resizedW, static_cast<int>(std::lround(boxW))) : g.resizedW;
    g.pageH = plan.fit == SizeFit::Fill ? std::min(g.resizedH, static_cast<int>(std::lround(boxH))) : g.resizedH;
    g.fitted = plan.fit == SizeFit::Fit && plan.sizeInches->second > 0 &&
               (std::lround(boxW) != g.resizedW || std::lround(boxH) != g.resizedH);
    return g;
}

// Rows [y0, y1) of the picture on its page: resampled (the image library's filtered
// resize, each pixel the same whichever rows are asked for) and cropped about the centre
// (fill), a few rows at a time so that a signal is seen; or the picture's own rows.
Picture PageRows(const Picture& picture, const SeparatePlan& plan, const PageGeometry& g, int y0, int y1) {
    Picture out(Depth::Float32, g.pageW, y1 - y0);
    if (!plan.sizeInches) {
        for (int y = y0; y < y1; ++y)
            std::copy_n(picture.View().Row(y), static_cast<std::size_t>(g.pageW) * sizeof(Pixel32),
                        const_cast<unsigned char*>(out.View().Row(y - y0)));
        return out;
    }
    const OIIO::ImageSpec from(picture.Width(), picture.Height(), 4, OIIO::TypeDesc::FLOAT);
    OIIO::ImageBuf source(from, const_cast<unsigned char*>(picture.Data()));
    const int x0 = (g.resizedW - g.pageW) / 2, top = (g.resizedH - g.pageH) / 2;
    constexpr int kRowsAtOnce = 16;
    for (int y = y0; y < y1; y += kRowsAtOnce) {
        if (Interrupted()) throw CliError(InterruptExitCode(), "interrupted; nothing was written.");
        const int rows = std::min(kRowsAtOnce, y1 - y);
        OIIO::ImageSpec window(g.pageW, rows, 4, OIIO::TypeDesc::FLOAT);
        window.x = x0;
        window.y = top + y;
        window.full_x = window.full_y = 0;
        window.full_width = g.resizedW;
        window.full_height = g.resizedH;
        OIIO::ImageBuf target(window, out.Data() + static_cast<std::size_t>(y - y0) * g.pageW * sizeof(Pixel32));
        if (!OIIO::ImageBufAlgo::resize(target, source, "", 0, target.roi(), 1))
            throw CliError(kExitInternal, "cannot resample the picture: " + target.geterror());
    }
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            Pixel32& p = out.At<Pixel32>(x, y);
            p.alpha = std::clamp(p.alpha, 0.0f, 1.0f);
        }
    return out;
}

// Bytes a run holds: the input's pixels (the file's and their float copy) for the whole
// run, and for each pixel of a band with its margins the page's pixels, the ink amounts
// and, while an ink is screened, the renderer's planes, the effect's map and frame and
// the inks' coverage; with the SVG (drawn whole) its text too.  Measured
// (docs/print-screens.md).
constexpr std::uint64_t kInputBytes = 48, kBandBytes = 150, kVectorBytes = 150;
// What a band with its margins should hold, at most, where its margins allow.
constexpr std::uint64_t kBandMemory = std::uint64_t{1} << 30;

// Rows of a band besides its margins, when not chosen by memory: for tests, which force
// small bands this way.
int BandRowsFromEnvironment() {
    const char* text = std::getenv("TONEDOT_SEPARATE_BAND_ROWS");
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long rows = std::strtol(text, &end, 10);
    return *end == 0 && rows > 0 && rows <= 1000000 ? static_cast<int>(rows) : 0;
}

// A CMYK picture's own channels as its inks (SeparateSource.h: C, M, Y, K in red, green,
// blue, alpha), within the ink limit when one is given.
InkPlanes CmykAmounts(const Picture& picture, const SeparatePlan& plan) {
    const std::size_t n = static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height());
    const auto* pixels = reinterpret_cast<const Pixel32*>(picture.Data());
    InkPlanes inks;
    for (auto& ink : inks) ink.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        InkAmounts a{pixels[i].red, pixels[i].green, pixels[i].blue, pixels[i].alpha};
        if (plan.inkLimitGiven) LimitInk(a, *plan.inkLimit);
        for (int k = 0; k < kInkCount; ++k) inks[static_cast<std::size_t>(k)][i] = a[k];
    }
    return inks;
}

// The ink amounts of every pixel, ink by ink.
InkPlanes SeparatePicture(const Picture& picture, const SeparatePlan& plan, const std::optional<IccSeparation>& icc) {
    const std::size_t n = static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height());
    const auto* pixels = reinterpret_cast<const Pixel32*>(picture.Data());
    SeparationSettings settings;
    settings.greyReplacement = plan.greyReplacement;
    settings.icc = icc ? &*icc : nullptr;
    settings.inkLimit = plan.inkLimit.value_or(kInkCount);
    settings.alphaIsCoverage = true;
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
    command.usage = "INPUT [-o OUTPUT] [--plates PREFIX] [--svg FILE] [--pdf FILE] [options]";
    command.brief = "Screens a picture as four inks (CMYK) at their own angles.";
    command.summary =
        "Separates a picture into cyan, magenta, yellow and black and screens each ink with\n"
        "the effect: dots at the ink's angle, dpi/lpi pixels apart, whose area follows the\n"
        "ink's amount.  Writes the inks laid over paper (-o), the plates (--plates), a CMYK\n"
        "TIFF (-o FILE.tif --cmyk) and the dots as SVG or PDF with a layer per ink (--svg,\n"
        "--pdf).";
    command.minArguments = command.maxArguments = 1;
    command.options = {
        {"output", 'o', "FILE", "The inks over paper, as a picture (.png, .tif, ...).", false},
        {"plates", 0, "PREFIX", "Writes the plates PREFIX-C.tif, -M, -Y, -K: ink black on white paper.", false},
        {"plate-bits", 0, "8|1", "Plates in 8-bit grey (default) or 1-bit (ink where a pixel is at\nleast half covered, the dots sized for what the device prints).", false},
        {"svg", 0, "FILE", "Writes the dots as SVG, one layer per ink, each dot a shape in the\nink's colour; sized in inches at --dpi, the dots sized by their outlines'\narea (true at any output resolution).", false},
        {"pdf", 0, "FILE", "Writes the dots as PDF for the print shop: the same dots as --svg,\neach ink in its process colour (DeviceCMYK) and overprinting, a layer\nper ink, the page sized at --dpi.", false},
        {"cmyk", 0, "", "Writes -o as a CMYK TIFF of the screened inks (with the --profile\nprofile embedded) instead of the preview.", false},
        {"lpi", 0, "N", "Screen frequency in lines per inch (default " + FormatNumber(kDefaultLpi) + ").", false},
        {"dpi", 0, "N", "Resolution in pixels per inch (default " + FormatNumber(kDefaultDpi) + "); the dots are dpi/lpi\npixels apart.", false},
        {"size", 0, "WxH(in|mm)", "Resamples the picture to this printed size at --dpi (8x10in,\n210x297mm, or only the width: 6in).", false},
        {"fit", 0, "fit|fill|stretch", "How the picture meets both sides of --size: fitted inside, its\naspect kept (default); filling it, cropped about the centre; or\nstretched to it.", false},
        {"angles", 0, "C,M,Y,K", "Screen angles in degrees, counter-clockwise (default " + defaultAngles + ").", false},
        {"shape", 0, "SHAPE[,M,Y,K]", "Dot shape for every ink, or one per ink: Circle, Square, Round\nSquare, Cross, Star, Diamond (default: Dot Shape's default).", false},
        {"min-dot", 0, "PERCENT", "The smallest dot the press holds, 0 to 50 (default 0): less is held\nat it where at least half of it is meant, else left out.", false},
        {"max-dot", 0, "PERCENT", "The largest dot short of solid, 50 to 100 (default 100): more is\nheld at it, or solid where nearer to solid.", false},
        {"dot-gain", 0, "PERCENT|FILE", "Compensates the press's dot gain: points gained at 50 % (a\nparabola), or a curve file of lines \"PLATE PRINTED\" in percent.", false},
        {"black-generation", 0, "G", "Black from 0 (none) to 1 (all grey printed black); default " + FormatNumber(kDefaultBlackGeneration) + ".", false},
        {"ink-limit", 0, "PERCENT", "Most ink in total, 0 to 400 (default " + FormatNumber(kDefaultInkLimit * 100) + " for the built-in\nseparation, none with --profile).", false},
        {"profile", 0, "FILE.icc", "Separates through this CMYK ICC output profile (Little CMS),\nfrom the input's embedded profile or else sRGB; the preview (-o) is then\na proof of the inks through it.", false},
        {"intent", 0, "INTENT", "The rendering intent with --profile: perceptual (default), relative,\nsaturation or absolute (colorimetric).", false},
        {"bpc", 0, "", "Black-point compensation with --profile.", false},
        {"ink-colors", 0, "C,M,Y,K", "The inks' colours as #RRGGBB for the preview without --profile and\nthe SVG (default " + defaultInks + ").", false},
        {"paper", 0, "#RRGGBB", "The paper's colour in the preview without --profile (default\n#FFFFFF).", false},
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
    // Dots drawn longer than wide cannot fill their cells: the tone would stop short of solid.
    const ParamInfo& aspect = session.Params().Require("Dot Aspect");
    const auto aspectSet = user.find(aspect.index);
    if (aspectSet != user.end() && FormatValue(aspect, aspectSet->second) != FormatValue(aspect, RegisteredValue(aspect)))
        throw UsageError("\"Dot Aspect\" is not for print screens: dots longer than wide cannot cover their "
                         "cells, and the tone would stop short of solid.");
    std::vector<std::string> layerFiles;
    for (const auto& [index, value] : user)
        if (value.layer == LayerChoice::File) layerFiles.push_back(value.layerFile);
    CheckSeparateOutputs(plan, layerFiles, args);

    // The screenings the outputs need: the anti-aliased coverage (preview, CMYK, 8-bit
    // plates), whole pixels (1-bit plates), the outlines (SVG); each true on what it is.
    const bool onePlates = !plan.platePrefix.empty() && plan.plateBits == 1;
    const bool wantCoverage = !plan.output.empty() || (!plan.platePrefix.empty() && !onePlates);
    std::vector<ToneMeasure> measures;
    if (wantCoverage) measures.push_back(ToneMeasure::Coverage);
    if (onePlates) measures.push_back(ToneMeasure::Thresholded);
    if (!plan.svg.empty()) measures.push_back(ToneMeasure::Outline);
    auto screensFor = [&](ToneMeasure measure) {
        std::array<InkScreen, kInkCount> screens = plan.screens;
        for (InkScreen& screen : screens) screen.measure = measure;
        return screens;
    };
    auto marginFor = [&](ToneMeasure measure) {
        int margin = 0;
        for (const InkScreen& screen : screensFor(measure)) margin = std::max(margin, BandMargin(screen));
        return margin;
    };
    int margin = 0;
    for (ToneMeasure measure : measures) margin = std::max(margin, marginFor(measure));

    // The page is drawn a band of rows at a time, each with the rows its dots depend on
    // above and below it, unless something reaches further than a band can tell: the
    // dots as vectors (each dot once, the page's paths whole), a layer parameter (a
    // picture stretched over the frame), effectors 2 and 3 (sizes and places of their
    // own) or random amounts (drawn in the order the grid is walked).
    auto effective = [&](const char* name) -> ParamValue {
        const ParamInfo& info = session.Params().Require(name);
        const auto it = user.find(info.index);
        return it != user.end() ? it->second : RegisteredValue(info);
    };
    bool whole = !plan.svg.empty() || !plan.pdf.empty() || !layerFiles.empty();
    for (const auto& [index, value] : user) whole = whole || value.layer != LayerChoice::None;
    for (const char* name : {"Enable Effector 2", "Enable Effector 3"}) whole = whole || effective(name).integer != 0;
    for (const char* name : {"Size", "Aspect", "Rotation", "Opacity", "Distance X", "Distance Y", "H", "S", "V"})
        whole = whole || effective(name).number != 0;

    // Whether the run fits, weighed before the picture is read.
    const ImageHeader header = ReadImageHeader(plan.input);
    const PageGeometry page = PageFor(plan, header.width, header.height);
    const std::uint64_t available = AvailableMemory();
    const std::uint64_t inputBytes =
        kInputBytes * static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.height);
    const std::uint64_t rowBytes =
        (kBandBytes + (plan.svg.empty() && plan.pdf.empty() ? 0 : kVectorBytes)) * static_cast<std::uint64_t>(page.pageW);
    auto need = [&](int rows) {
        return inputBytes + rowBytes * static_cast<std::uint64_t>(std::min(page.pageH, rows + 2 * margin));
    };
    int bandRows = page.pageH;
    if (!whole) {
        // Bands of up to kBandMemory, or of as many rows as a margin where that is more
        // (margins many times a band's own rows would be drawn over and over), within half
        // the memory there is; at least a few rows.
        const std::uint64_t half = available / 2 > inputBytes ? available / 2 - inputBytes : 0;
        const std::uint64_t budget = std::min<std::uint64_t>(half, std::max(kBandMemory, 3 * margin * rowBytes));
        const std::uint64_t fit = budget / rowBytes;
        bandRows = static_cast<int>(std::clamp<std::uint64_t>(fit > 2u * margin ? fit - 2u * margin : 0, 16,
                                                              static_cast<std::uint64_t>(page.pageH)));
        if (const int forced = BandRowsFromEnvironment()) bandRows = std::min(forced, page.pageH);
    }
    if (need(whole ? bandRows : 16) > available)
        throw CliError(kExitMemory, "a page of " + std::to_string(page.pageW) + " x " + std::to_string(page.pageH) +
                                        " pixels needs about " + Megabytes(need(whole ? bandRows : 16)) +
                                        " of memory " + (whole ? "drawn whole" : "in bands of 16 rows") + " and " +
                                        Megabytes(available) + " is available; separate it at a smaller --size or a "
                                        "lower --dpi.");
    SeparateSource source = ReadSeparateSource(plan.input);
    for (const std::string& warning : source.warnings) std::fprintf(stderr, "tonedot: warning: %s.\n", warning.c_str());
    const Picture& picture = source.picture;
    if (plan.sizeInches) {
        const PageGeometry g = PageFor(plan, picture.Width(), picture.Height());
        if (g.fitted && !plan.quiet)
            std::fprintf(stderr, "tonedot: the picture fits --size as %s x %s in, its aspect kept (--fit fill crops it "
                                 "to the size, --fit stretch distorts it).\n",
                         FormatNumber(std::round(g.resizedW / plan.dpi * 100) / 100).c_str(),
                         FormatNumber(std::round(g.resizedH / plan.dpi * 100) / 100).c_str());
    }
    const PageGeometry geometry = PageFor(plan, picture.Width(), picture.Height());
    const int width = geometry.pageW, height = geometry.pageH;
    std::optional<IccSeparation> icc;
    std::optional<IccProof> proof;  // the preview, through the profile
    if (!plan.profile.empty()) {
        const std::string embedded = source.cmyk ? std::string() : source.embeddedProfile;
        icc.emplace(plan.profile, embedded, plan.rendering);
        if (!plan.output.empty() && !plan.cmyk) proof.emplace(plan.profile, embedded, plan.rendering);
    }

    // The user's layer parameters (the page is drawn whole then): the picture itself or
    // files, in the screens' depth.
    std::map<int, Picture> layerPictures;
    std::map<int, const Picture*> layerViews;
    for (const auto& [index, value] : user) {
        if (value.layer == LayerChoice::None) continue;
        Picture layer = value.layer == LayerChoice::Self
                            ? ConvertDepth(PageRows(picture, plan, geometry, 0, height), Depth::Bits16)
                            : ReadImage(value.layerFile, Depth::Bits16).picture;
        if (value.layerLuma) layer = LuminanceAsAlpha(std::move(layer));
        layerViews[index] = &(layerPictures[index] = std::move(layer));
    }
    ScreenRenderer renderer(session, user);
    renderer.SetLayers(layerViews);
    std::array<std::string, kInkCount> layers;
    std::array<std::vector<DotOutline>, kInkCount> inkDots;
    InkDrawn vectors;
    if (!plan.svg.empty() || !plan.pdf.empty())
        vectors = [&](int ink, Instance& instance, PreparedFrame& frame) {
            const auto i = static_cast<std::size_t>(ink);
            std::vector<DotOutline> dots = DotsReachingIn(FrameDots(session, instance, frame), width, height);
            if (!plan.svg.empty()) {
                std::ostringstream paths;
                WriteDotPaths(paths, dots);
                layers[i] = paths.str();
            }
            if (!plan.pdf.empty()) inkDots[i] = std::move(dots);
        };

    // Every output is written to a temporary file beside it, a band at a time; only when
    // all are written are they renamed into place.
    std::vector<std::unique_ptr<AtomicFile>> staged;
    try {
        std::unique_ptr<ImageStripWriter> previewFile;
        std::unique_ptr<TiffStripWriter> cmykFile;
        std::array<std::unique_ptr<TiffStripWriter>, kInkCount> plateFiles;
        WriteOptions previewOptions;
        if (!plan.output.empty()) {
            staged.push_back(std::make_unique<AtomicFile>(plan.output));
            if (plan.cmyk) {
                std::string profile;
                if (!plan.profile.empty() && !ReadWholeFile(plan.profile, profile))
                    throw IOError("cannot read the ICC profile \"" + plan.profile + "\".");
                cmykFile = std::make_unique<TiffStripWriter>(staged.back()->TempPath(), plan.output, width, height,
                                                             std::vector<std::string>{"C", "M", "Y", "K"}, 8, "CMYK",
                                                             profile, plan.dpi);
            } else {
                // The inks over paper, or with --profile their proof through it; opaque: grey
                // throughout when the inks and the paper are (and there is no proof).
                bool grey = !proof && plan.paper[0] == plan.paper[1] && plan.paper[1] == plan.paper[2];
                for (const Rgb& ink : plan.inkColours) grey = grey && ink[0] == ink[1] && ink[1] == ink[2];
                previewOptions.source = source.traits.get();
                previewOptions.dpi = plan.dpi;
                previewFile = std::make_unique<ImageStripWriter>(staged.back()->TempPath(), width, height,
                                                                 source.fileDepth, true, grey, previewOptions);
            }
        }
        if (!plan.platePrefix.empty())
            for (std::size_t k = 0; k < kInkCount; ++k) {
                const std::string path = plan.platePrefix + "-" + InkLetter(static_cast<int>(k)) + ".tif";
                staged.push_back(std::make_unique<AtomicFile>(path));
                plateFiles[k] = std::make_unique<TiffStripWriter>(staged.back()->TempPath(), path, width, height,
                                                                  std::vector<std::string>{"Y"}, plan.plateBits, "",
                                                                  "", plan.dpi);
            }

        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            const int frameTop = std::max(0, top - margin), frameEnd = std::min(height, top + rows + margin);
            InkPlanes amounts;
            std::vector<bool> empty;  // of the band's own rows: no ink where the picture is wholly transparent
            {
                const Picture frame = PageRows(picture, plan, geometry, frameTop, frameEnd);
                amounts = source.cmyk ? CmykAmounts(frame, plan) : SeparatePicture(frame, plan, icc);
                if (!source.cmyk) {
                    const auto* pixels = reinterpret_cast<const Pixel32*>(frame.Data()) +
                                         static_cast<std::size_t>(top - frameTop) * width;
                    empty.resize(static_cast<std::size_t>(rows) * width);
                    for (std::size_t p = 0; p < empty.size(); ++p) empty[p] = !(pixels[p].alpha > 0);
                }
            }
            // Each screening on the rows it needs, an ink at a time; the band's own rows kept.
            auto screened = [&](ToneMeasure measure, const InkDrawn& after) {
                const int reach = marginFor(measure);
                const int from = std::max(frameTop, top - reach), to = std::min(frameEnd, top + rows + reach);
                const std::array<InkScreen, kInkCount> screens = screensFor(measure);
                renderer.SetPageRows(from, height);
                InkPlanes inks;
                for (std::size_t k = 0; k < kInkCount; ++k) {
                    const auto rowsFrom = [&](int row) {
                        return amounts[k].begin() + static_cast<std::ptrdiff_t>(row - frameTop) * width;
                    };
                    const std::vector<float> part(rowsFrom(from), rowsFrom(to));
                    ScreenRenderer::AfterDraw drawn;
                    if (after)
                        drawn = [&after, k](Instance& instance, PreparedFrame& frame) {
                            after(static_cast<int>(k), instance, frame);
                        };
                    const std::vector<float> drawnRows = renderer.Render(part, width, to - from, screens[k], drawn);
                    std::vector<float>& ink = inks[k];
                    ink.assign(drawnRows.begin() + static_cast<std::ptrdiff_t>(top - from) * width,
                               drawnRows.begin() + static_cast<std::ptrdiff_t>(top - from + rows) * width);
                    for (std::size_t p = 0; p < empty.size(); ++p)
                        if (empty[p]) ink[p] = 0;
                }
                return inks;
            };
            InkPlanes coverage, thresholded;
            if (wantCoverage) coverage = screened(ToneMeasure::Coverage, nullptr);
            if (onePlates) thresholded = screened(ToneMeasure::Thresholded, nullptr);
            if (vectors) screened(ToneMeasure::Outline, vectors);
            amounts = InkPlanes();
            if (Interrupted()) throw CliError(InterruptExitCode(), "interrupted; nothing was written.");

            const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(width);
            if (cmykFile) {
                std::vector<std::uint8_t> data(n * kInkCount);
                for (std::size_t p = 0; p < n; ++p)
                    for (std::size_t k = 0; k < kInkCount; ++k) data[p * kInkCount + k] = Byte(coverage[k][p]);
                cmykFile->Write(data.data(), rows);
            }
            if (previewFile) {
                // In linear light again when the input held it.
                Picture preview(Depth::Float32, width, rows);
                auto* pixels = reinterpret_cast<Pixel32*>(preview.Data());
                const bool linear = source.linear;
                auto put = [&](std::size_t p, const Rgb& rgb) {
                    pixels[p] = linear ? Pixel32{1, SrgbToLinear(rgb[0]), SrgbToLinear(rgb[1]), SrgbToLinear(rgb[2])}
                                       : Pixel32{1, rgb[0], rgb[1], rgb[2]};
                };
                if (proof) {
                    const auto inks = [&](std::size_t p) {
                        return InkAmounts{coverage[0][p], coverage[1][p], coverage[2][p], coverage[3][p]};
                    };
                    proof->ProofPixels(n, inks, put);
                } else {
                    CompositeInks(coverage, plan.inkColours, plan.paper, put);
                }
                previewFile->Write(ConvertDepth(preview, source.fileDepth).View());
            }
            if (!plan.platePrefix.empty()) {
                std::vector<std::uint8_t> data(n);
                for (std::size_t k = 0; k < kInkCount; ++k) {
                    for (std::size_t p = 0; p < n; ++p)
                        data[p] = onePlates ? (thresholded[k][p] >= 0.5f ? 0 : 255) : Byte(1.0f - coverage[k][p]);
                    plateFiles[k]->Write(data.data(), rows);
                }
            }
        }
        if (previewFile) previewFile->Finish();
        if (cmykFile) cmykFile->Finish();
        for (auto& plate : plateFiles)
            if (plate) plate->Finish();
        if (!plan.svg.empty()) {
            staged.push_back(std::make_unique<AtomicFile>(plan.svg));
            WriteTextFileAtomically(staged.back()->TempPath(), LayeredSvg(layers, width, height, plan.dpi));
        }
        if (!plan.pdf.empty()) {
            staged.push_back(std::make_unique<AtomicFile>(plan.pdf));
            WriteTextFileAtomically(staged.back()->TempPath(), LayeredPdf(inkDots, width, height, plan.dpi));
        }
        for (auto& file : staged) file->Commit();
    } catch (const CliError& e) {
        // The temporary files are named as the outputs they stand for.
        std::string message = e.what();
        for (const auto& file : staged) message = file->Shown(message);
        throw CliError(e.Code(), message);
    }
    if (!plan.quiet)
        for (const std::string& out : plan.Outputs()) std::fprintf(stderr, "tonedot: wrote %s\n", out.c_str());
    return kExitOk;
}

}  // namespace
}  // namespace tonedot::cli
