#include "cli/SeparateCommand.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>

#include "cli/AtomicFile.h"
#include "cli/DotVectors.h"
#include "cli/EffectSession.h"
#include "cli/ExitCodes.h"
#include "cli/IccSeparation.h"
#include "cli/ImageFile.h"
#include "cli/InkScreen.h"
#include "cli/RenderCommand.h"
#include "cli/RunFiles.h"
#include "cli/Separation.h"
#include "cli/StandardStreams.h"

namespace tonedot::cli {
namespace {

constexpr double kDefaultLpi = 30, kDefaultDpi = 300;

using Rgb = InkColour;

std::string HexColour(const Rgb& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<int>(std::lround(c[0] * 255)),
                  static_cast<int>(std::lround(c[1] * 255)), static_cast<int>(std::lround(c[2] * 255)));
    return text;
}

double ParseNumber(const std::string& text, const std::string& what, double lo, double hi) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || !(v >= lo && v <= hi))
        throw UsageError("bad " + what + " \"" + text + "\": expected a number from " + FormatNumber(lo) + " to " +
                         FormatNumber(hi) + ".");
    return v;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// One value for every ink, or four in the order C,M,Y,K.
std::vector<std::string> PerInk(const std::string& text, const std::string& option, bool oneForAll) {
    std::vector<std::string> parts = SplitCommas(text);
    if (oneForAll && parts.size() == 1) parts.assign(kInkCount, parts[0]);
    if (parts.size() != kInkCount)
        throw UsageError("bad --" + option + " \"" + text + "\": expected four values C,M,Y,K" +
                         (oneForAll ? " or one for all inks." : "."));
    return parts;
}

Rgb ParseColour(const std::string& text, const std::string& what) {
    unsigned v = 0;
    const char* end = text.data() + text.size();
    if (text.size() == 7 && text[0] == '#') {
        const auto r = std::from_chars(text.data() + 1, end, v, 16);
        if (r.ec == std::errc() && r.ptr == end)
            return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f};
    }
    throw UsageError("bad " + what + " \"" + text + "\": expected a colour #RRGGBB.");
}

PF_Pixel ToPixel(const Rgb& c) {
    auto byte = [](float v) { return static_cast<A_u_char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return PF_Pixel{255, byte(c[0]), byte(c[1]), byte(c[2])};
}

struct SeparatePlan {
    std::string input, output, platePrefix, svg, profile, effect;
    bool cmyk = false, quiet = false, factoryDefaults = false;
    int plateBits = 8;
    double lpi = kDefaultLpi, dpi = kDefaultDpi;
    std::optional<std::pair<double, double>> sizeInches;  // width, height (0: keep the aspect)
    std::array<InkScreen, kInkCount> screens;
    GreyReplacement greyReplacement;
    std::optional<double> inkLimit;  // 0 to 4
    std::array<Rgb, kInkCount> inkColours;
    Rgb paper{1, 1, 1};

    std::vector<std::string> Outputs() const {
        std::vector<std::string> out;
        if (!output.empty()) out.push_back(output);
        if (!platePrefix.empty())
            for (int i = 0; i < kInkCount; ++i) out.push_back(platePrefix + "-" + InkLetter(i) + ".tif");
        if (!svg.empty()) out.push_back(svg);
        return out;
    }
};

// "8x10in", "210x297mm", "6in" (the height from the picture's aspect).
std::pair<double, double> ParseSize(const std::string& text) {
    const auto bad = [&]() {
        return UsageError("bad --size \"" + text + "\": expected WIDTHxHEIGHT or WIDTH followed by in or mm, "
                          "for example 8x10in or 210mm.");
    };
    if (text.size() < 3) throw bad();
    const std::string unit = text.substr(text.size() - 2);
    if (unit != "in" && unit != "mm") throw bad();
    const double perInch = unit == "mm" ? 25.4 : 1.0;
    const std::string numbers = text.substr(0, text.size() - 2);
    const std::size_t x = numbers.find('x');
    auto number = [&](const std::string& t) {
        double v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || !(v > 0) || v > 100000) throw bad();
        return v / perInch;
    };
    if (x == std::string::npos) return {number(numbers), 0.0};
    return {number(numbers.substr(0, x)), number(numbers.substr(x + 1))};
}

SeparatePlan MakePlan(const ParsedArgs& args, const RegisteredParams& params) {
    SeparatePlan plan;
    plan.input = args.Arguments()[0];
    plan.output = args.Value("output").value_or("");
    plan.platePrefix = args.Value("plates").value_or("");
    plan.svg = args.Value("svg").value_or("");
    plan.cmyk = args.Has("cmyk");
    plan.quiet = args.Has("quiet");
    plan.factoryDefaults = args.Has("factory-defaults");
    plan.effect = args.Value("effect").value_or("");
    if (IsStandardStream(plan.input) || IsStandardStream(plan.output) || IsStandardStream(plan.svg) ||
        IsStandardStream(plan.platePrefix))
        throw UsageError("separate reads and writes files; standard input and output (-) are for render.");
    if (plan.output.empty() && plan.platePrefix.empty() && plan.svg.empty())
        throw UsageError("no output; give -o FILE, --plates PREFIX or --svg FILE.");
    if (!plan.output.empty()) {
        CheckWritableFormat(plan.output);
        const std::string ext = ExtensionOf(plan.output);
        if (plan.cmyk && ext != "tif" && ext != "tiff")
            throw UsageError("--cmyk writes a CMYK TIFF; give -o a name ending in .tif.");
    } else if (plan.cmyk) {
        throw UsageError("--cmyk is how -o is written; give -o FILE.tif.");
    }
    if (auto bits = args.Value("plate-bits")) {
        if (*bits != "8" && *bits != "1") throw UsageError("bad --plate-bits \"" + *bits + "\": expected 8 or 1.");
        if (plan.platePrefix.empty()) throw UsageError("--plate-bits is for --plates PREFIX.");
        plan.plateBits = *bits == "1" ? 1 : 8;
    }

    if (auto v = args.Value("lpi")) plan.lpi = ParseNumber(*v, "--lpi", 1, 10000);
    if (auto v = args.Value("dpi")) plan.dpi = ParseNumber(*v, "--dpi", 1, 100000);
    const double pitch = plan.dpi / plan.lpi;
    if (pitch < 2 || pitch > 250)
        throw UsageError("--dpi " + FormatNumber(plan.dpi) + " over --lpi " + FormatNumber(plan.lpi) + " is a dot pitch of " +
                         FormatNumber(pitch) + " pixels; it must be from 2 to 250.");
    if (auto v = args.Value("size")) plan.sizeInches = ParseSize(*v);

    std::vector<std::string> angles(kInkCount);
    for (int i = 0; i < kInkCount; ++i) angles[i] = FormatNumber(kDefaultScreenAngles[i]);
    if (auto v = args.Value("angles")) angles = PerInk(*v, "angles", false);
    const ParamInfo& shapeParam = params.Require("Dot Shape");
    const std::vector<std::string> shapes =
        PerInk(args.Value("shape").value_or(FormatValue(shapeParam, RegisteredValue(shapeParam))), "shape", true);
    std::vector<std::string> colours;
    for (const Rgb& ink : kProcessInks) colours.push_back(HexColour(ink));
    if (auto v = args.Value("ink-colors")) colours = PerInk(*v, "ink-colors", false);
    if (auto v = args.Value("paper")) plan.paper = ParseColour(*v, "--paper");
    for (int i = 0; i < kInkCount; ++i) {
        InkScreen& s = plan.screens[static_cast<std::size_t>(i)];
        s.angle = ParseNumber(angles[i], std::string("--angles value for ") + InkName(i), -360, 360);
        s.pitch = pitch;
        try {
            s.shape = static_cast<int>(ParseValue(shapeParam, shapes[i]).integer);
        } catch (const CliError& e) {
            throw UsageError(std::string("bad --shape for ") + InkName(i) + ": " + e.what());
        }
        plan.inkColours[static_cast<std::size_t>(i)] = ParseColour(colours[i], std::string("--ink-colors value for ") + InkName(i));
        s.colour = ToPixel(plan.inkColours[static_cast<std::size_t>(i)]);
    }

    plan.profile = args.Value("profile").value_or("");
    if (auto v = args.Value("black-generation")) {
        if (!plan.profile.empty())
            throw UsageError("--black-generation is for the built-in separation; the ICC profile makes its own black.");
        plan.greyReplacement.blackGeneration = ParseNumber(*v, "--black-generation", 0, 1);
    }
    if (auto v = args.Value("ink-limit")) plan.inkLimit = ParseNumber(*v, "--ink-limit", 0, 400) / 100.0;
    else if (plan.profile.empty()) plan.inkLimit = kDefaultInkLimit;

    // Where the outputs go must be writable before anything is drawn.
    for (const std::string& out : plan.Outputs()) {
        const std::size_t slash = out.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : out.substr(0, slash));
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw IOError("cannot write \"" + out + "\": the folder \"" + folder + "\" does not exist.");
        if (access(folder.c_str(), W_OK) != 0)
            throw IOError("cannot write \"" + out + "\": the folder \"" + folder + "\" is not writable.");
    }
    return plan;
}

// No output may be an input (the picture or a layer file) or another output (by file
// identity, and by name for files that are not there yet).
void CheckOutputs(const SeparatePlan& plan, const std::vector<std::string>& layerFiles) {
    RunFiles files;
    files.AddInput(plan.input);
    for (const std::string& path : layerFiles) files.AddInput(path);
    for (const std::string& out : plan.Outputs()) files.AddOutput(out);
}

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
std::array<std::vector<float>, kInkCount> SeparatePicture(const Picture& picture, const SeparatePlan& plan,
                                                         const std::string& embeddedProfile) {
    const std::size_t n = static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height());
    std::vector<InkAmounts> amounts(n);
    const auto* pixels = reinterpret_cast<const Pixel32*>(picture.Data());
    if (!plan.profile.empty()) {
        const IccSeparation icc(plan.profile, embeddedProfile);
        std::vector<float> rgb(n * 3);
        for (std::size_t i = 0; i < n; ++i) {
            rgb[i * 3] = pixels[i].red;
            rgb[i * 3 + 1] = pixels[i].green;
            rgb[i * 3 + 2] = pixels[i].blue;
        }
        icc.Separate(rgb.data(), amounts.data(), n);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            amounts[i] = SeparateByGreyReplacement(pixels[i].red, pixels[i].green, pixels[i].blue, plan.greyReplacement);
    }
    std::array<std::vector<float>, kInkCount> inks;
    for (auto& ink : inks) ink.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        FinishInk(amounts[i], pixels[i].alpha, plan.inkLimit.value_or(kInkCount));
        for (int k = 0; k < kInkCount; ++k) inks[static_cast<std::size_t>(k)][i] = amounts[i][k];
    }
    return inks;
}

std::uint8_t Byte(float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

// A TIFF of 8-bit channels (1-bit when `bits` is 1) written to `temp` and read back whole.
void WriteTiff(const std::string& temp, const std::string& target, int width, int height,
               const std::vector<std::string>& channels, const std::vector<std::uint8_t>& data, int bits,
               const std::string& colourSpace, const std::string& iccProfile) {
    auto out = OIIO::ImageOutput::create(temp);
    if (!out) ThrowWriteError(target, OIIO::geterror());
    OIIO::ImageSpec layout(width, height, static_cast<int>(channels.size()), OIIO::TypeDesc::UINT8);
    layout.channelnames = channels;
    layout.alpha_channel = -1;
    layout.attribute("compression", "lzw");
    if (bits != 8) layout.attribute("oiio:BitsPerSample", bits);
    if (!colourSpace.empty()) layout.attribute("tiff:ColorSpace", colourSpace);
    if (!iccProfile.empty())
        layout.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, static_cast<int>(iccProfile.size())),
                       iccProfile.data());
    if (!out->open(temp, layout) || !out->write_image(OIIO::TypeDesc::UINT8, data.data()) || !out->close())
        ThrowWriteError(target, out->geterror());
    out.reset();
    // Read back as stored (no conversion of CMYK to RGB).
    OIIO::ImageSpec config;
    config.attribute("oiio:RawColor", 1);
    auto in = OIIO::ImageInput::open(temp, &config);
    std::vector<std::uint8_t> back(data.size());
    const bool ok = in && in->spec().width == width && in->spec().height == height &&
                    in->spec().nchannels == static_cast<int>(channels.size()) &&
                    in->read_image(0, 0, 0, in->spec().nchannels, OIIO::TypeDesc::UINT8, back.data()) && back == data;
    if (!ok) ThrowWriteError(target, "the written file does not read back whole");
}

std::string Inches(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s + "in";
}

// The paths of a frame's dots (a path a line) that reach into the picture: the grid runs on
// past its edges, and a plotter would draw the dots wholly outside.
std::string DotsReachingIn(const std::string& paths, int width, int height) {
    std::string kept;
    for (std::size_t line = 0; line < paths.size();) {
        const std::size_t end = paths.find('\n', line);
        const std::size_t next = end == std::string::npos ? paths.size() : end + 1;
        const std::size_t open = paths.find("d=\"M", line), close = paths.find('Z', open);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        if (open < next && close < next) {
            const char* p = paths.data() + open + 4;
            const char* stop = paths.data() + close;
            for (int axis = 0;; axis ^= 1) {
                while (p < stop && *p == ' ') ++p;
                double v = 0;
                const auto r = std::from_chars(p, stop, v);
                if (r.ec != std::errc()) break;
                lo[axis] = std::min(lo[axis], v);
                hi[axis] = std::max(hi[axis], v);
                p = r.ptr;
            }
        }
        if (!(hi[0] <= 0 || hi[1] <= 0 || lo[0] >= width || lo[1] >= height)) kept.append(paths, line, next - line);
        line = next;
    }
    return kept;
}

std::string LayeredSvg(const std::array<std::string, kInkCount>& layers, int width, int height, double dpi) {
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" width=\""
        << Inches(width / dpi) << "\" height=\"" << Inches(height / dpi) << "\" viewBox=\"0 0 " << width << " "
        << height << "\">\n<!-- T_Tonedot print screens: one layer per ink, printed in this order -->\n";
    for (int i = 0; i < kInkCount; ++i)
        svg << "<g id=\"ink-" << InkLetter(i) << "\" inkscape:groupmode=\"layer\" inkscape:label=\"" << InkName(i)
            << "\" style=\"mix-blend-mode:multiply\">\n"
            << layers[static_cast<std::size_t>(i)] << "</g>\n";
    svg << "</svg>\n";
    return svg.str();
}

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
    const SeparatePlan plan = MakePlan(args, session.Params());
    const ParamSettings user = SettingsFromArgs(session.Params(), args);
    for (const std::string& name : ScreenParameterNames())
        if (user.count(session.Params().Require(name).index))
            throw UsageError("\"" + name + "\" is set by separate for every ink; use --shape, --angles, --lpi, --dpi "
                             "and --ink-colors, and effectors 2 and 3 for effects of your own.");
    std::vector<std::string> layerFiles;
    for (const auto& [index, value] : user)
        if (value.layer == LayerChoice::File) layerFiles.push_back(value.layerFile);
    CheckOutputs(plan, layerFiles);

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
    const std::array<std::vector<float>, kInkCount> amounts = SeparatePicture(picture, plan, embedded);

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
    std::array<std::vector<float>, kInkCount> coverage;
    std::array<std::string, kInkCount> layers;
    for (int i = 0; i < kInkCount; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        ScreenRenderer::AfterDraw vectors;
        if (!plan.svg.empty())
            vectors = [&](Instance& instance, const PreparedFrame& frame) {
                std::ostringstream paths;
                WriteFrameDotPaths(paths, session, instance, frame);
                layers[k] = DotsReachingIn(paths.str(), width, height);
            };
        coverage[k] = renderer.Render(amounts[k], width, height, plan.screens[k], vectors);
    }

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
            for (std::size_t p = 0; p < n; ++p) {
                const InkAmounts c{coverage[0][p], coverage[1][p], coverage[2][p], coverage[3][p]};
                const Rgb rgb = InkOnPaper(c, plan.inkColours, plan.paper);
                pixels[p] = Pixel32{source[p].alpha, rgb[0], rgb[1], rgb[2]};
            }
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
