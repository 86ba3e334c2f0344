#include "cli/SeparatePlan.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"
#include "cli/InkLayersPdf.h"
#include "cli/RunFiles.h"
#include "cli/StandardStreams.h"

namespace tonedot::cli {
namespace {

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

}  // namespace

std::string HexColour(const Rgb& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<int>(std::lround(c[0] * 255)),
                  static_cast<int>(std::lround(c[1] * 255)), static_cast<int>(std::lround(c[2] * 255)));
    return text;
}

SeparatePlan MakeSeparatePlan(const ParsedArgs& args, const RegisteredParams& params) {
    SeparatePlan plan;
    plan.input = args.Arguments()[0];
    plan.output = args.Value("output").value_or("");
    plan.platePrefix = args.Value("plates").value_or("");
    plan.svg = args.Value("svg").value_or("");
    plan.pdf = args.Value("pdf").value_or("");
    plan.cmyk = args.Has("cmyk");
    plan.quiet = args.Has("quiet");
    plan.factoryDefaults = args.Has("factory-defaults");
    plan.effect = args.Value("effect").value_or("");
    if (IsStandardStream(plan.input) || IsStandardStream(plan.output) || IsStandardStream(plan.svg) ||
        IsStandardStream(plan.pdf) || IsStandardStream(plan.platePrefix))
        throw UsageError("separate reads and writes files; standard input and output (-) are for render.");
    if (plan.output.empty() && plan.platePrefix.empty() && plan.svg.empty() && plan.pdf.empty())
        throw UsageError("no output; give -o FILE, --plates PREFIX, --svg FILE or --pdf FILE.");
    if (!plan.pdf.empty() && !LayeredPdfBuilt())
        throw UsageError("this tonedot is built without PDF output (it needs libqpdf); --pdf is not available.");
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
    if (auto v = args.Value("fit")) {
        if (*v == "fit") plan.fit = SizeFit::Fit;
        else if (*v == "fill") plan.fit = SizeFit::Fill;
        else if (*v == "stretch") plan.fit = SizeFit::Stretch;
        else throw UsageError("bad --fit \"" + *v + "\": expected fit, fill or stretch.");
        if (!plan.sizeInches) throw UsageError("--fit is for --size.");
    }

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
        } catch (const session::Error& e) {
            throw UsageError(std::string("bad --shape for ") + InkName(i) + ": " + e.what());
        }
        plan.inkColours[static_cast<std::size_t>(i)] = ParseColour(colours[i], std::string("--ink-colors value for ") + InkName(i));
        s.colour = ToPixel(plan.inkColours[static_cast<std::size_t>(i)]);
    }

    PrintCurve curve;
    if (auto v = args.Value("min-dot")) curve.minDot = ParseNumber(*v, "--min-dot", 0, 50) / 100.0;
    if (auto v = args.Value("max-dot")) curve.maxDot = ParseNumber(*v, "--max-dot", 50, 100) / 100.0;
    if (curve.minDot >= curve.maxDot) throw UsageError("--min-dot must be below --max-dot.");
    if (auto v = args.Value("dot-gain")) {
        double percent = 0;
        const auto r = std::from_chars(v->data(), v->data() + v->size(), percent);
        if (!v->empty() && r.ec == std::errc() && r.ptr == v->data() + v->size()) {
            curve.gain = ParabolicDotGain(ParseNumber(*v, "--dot-gain", 0, 50));
        } else {
            std::string text;
            if (!ReadWholeFile(*v, text)) throw IOError("cannot read the dot-gain curve \"" + *v + "\".");
            try {
                curve.gain = ParseDotGainCurve(text);
            } catch (const std::invalid_argument& e) {
                throw UsageError("bad dot-gain curve \"" + *v + "\": " + e.what() + ".");
            }
        }
    }
    for (InkScreen& s : plan.screens) s.curve = curve;

    plan.profile = args.Value("profile").value_or("");
    if (auto v = args.Value("intent")) {
        static const std::pair<const char*, RenderingIntent> kIntents[] = {
            {"perceptual", RenderingIntent::Perceptual}, {"relative", RenderingIntent::RelativeColorimetric},
            {"saturation", RenderingIntent::Saturation}, {"absolute", RenderingIntent::AbsoluteColorimetric}};
        bool known = false;
        for (const auto& [name, intent] : kIntents)
            if (*v == name) {
                plan.rendering.intent = intent;
                known = true;
            }
        if (!known) throw UsageError("bad --intent \"" + *v + "\": expected perceptual, relative, saturation or absolute.");
    }
    plan.rendering.blackPointCompensation = args.Has("bpc");
    if ((args.Has("intent") || args.Has("bpc")) && plan.profile.empty())
        throw UsageError("--intent and --bpc are for --profile.");
    if (auto v = args.Value("black-generation")) {
        if (!plan.profile.empty())
            throw UsageError("--black-generation is for the built-in separation; the ICC profile makes its own black.");
        plan.greyReplacement.blackGeneration = ParseNumber(*v, "--black-generation", 0, 1);
    }
    plan.inkLimitGiven = args.Has("ink-limit");
    if (auto v = args.Value("ink-limit")) plan.inkLimit = ParseNumber(*v, "--ink-limit", 0, 400) / 100.0;
    else if (plan.profile.empty()) plan.inkLimit = kDefaultInkLimit;
    if (plan.inkLimit) plan.greyReplacement.richBlack = RichBlackWithin(*plan.inkLimit);

    // Where the outputs go must be writable before anything is drawn.
    for (const std::string& out : plan.Outputs()) CheckOutputFolder(out);
    return plan;
}

void CheckSeparateOutputs(const SeparatePlan& plan, const std::vector<std::string>& layerFiles,
                          const ParsedArgs& args) {
    RunFiles files;
    files.AddSettingsInputs(args);
    files.AddInput(plan.input);
    for (const std::string& path : layerFiles) files.AddInput(path);
    if (!plan.profile.empty()) files.AddInput(plan.profile);
    for (const std::string& out : plan.Outputs()) files.AddOutput(out);
}

}  // namespace tonedot::cli
