// Print screens: ink amounts from colours, area-true dots for every shape, each ink's grid
// at its angle, SVG layers that match the plates, the ICC path against Little CMS itself,
// and the file rules of the command.
#include <OpenImageIO/imageio.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <csignal>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <functional>
#include <limits>
#include <tuple>
#include <regex>

#include "CliRunner.h"
#include "cli/AtomicFile.h"
#include "session/EffectSession.h"
#include "print/InkScreen.h"
#include "print/Separation.h"

using namespace clitest;
using namespace tonedot::cli;

namespace {

const char* const kShapeNames[kScreenShapes] = {"Circle", "Square", "Round Square", "Cross", "Star", "Diamond"};
const std::string kCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";
const std::string kWideRgbProfile = "/usr/share/color/icc/ghostscript/a98.icc";

// Vertical stripes of flat colours, written as an 8-bit image (with `icc` embedded).
void WriteStripes(const std::string& path, const std::vector<std::array<float, 3>>& colours, int stripe, int height,
                  const std::string& icc = "") {
    const int width = stripe * static_cast<int>(colours.size());
    std::vector<float> pixels(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] = colours[x / stripe][c];
    OIIO::ImageSpec layout(width, height, 3, OIIO::TypeDesc::UINT8);
    if (!icc.empty()) layout.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, static_cast<int>(icc.size())), icc.data());
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out && out->open(path, layout) && out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()) && out->close());
}

struct Raster {
    int width = 0, height = 0, channels = 0;
    std::vector<float> v;  // as stored, 0 to 1
    float At(int x, int y, int c = 0) const { return v[(static_cast<std::size_t>(y) * width + x) * channels + c]; }
};

Raster ReadRaw(const std::string& path) {
    OIIO::ImageSpec config;
    config.attribute("oiio:RawColor", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    Raster r;
    EXPECT_TRUE(in) << path;
    if (!in) return r;
    r.width = in->spec().width;
    r.height = in->spec().height;
    r.channels = in->spec().nchannels;
    r.v.resize(static_cast<std::size_t>(r.width) * r.height * r.channels);
    EXPECT_TRUE(in->read_image(0, 0, 0, r.channels, OIIO::TypeDesc::FLOAT, r.v.data()));
    return r;
}

// Ink of a plate (black ink on white) or a CMYK channel (ink is the value) over a box.
double MeanInk(const Raster& r, int x0, int x1, int y0, int y1, int channel = -1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += channel < 0 ? 1.0 - r.At(x, y) : r.At(x, y, channel);
    return sum / (static_cast<double>(x1 - x0) * (y1 - y0));
}

struct Blob {
    double x, y, area;
    bool edge;
};

// The dots of a plate: pixels with ink over half, 8-connected, with their centres and the
// ink they hold.
std::vector<Blob> Dots(const Raster& plate) {
    const int w = plate.width, h = plate.height;
    std::vector<int> label(static_cast<std::size_t>(w) * h, -1);
    std::vector<Blob> blobs;
    std::vector<int> stack;
    for (int start = 0; start < w * h; ++start) {
        if (label[start] >= 0 || 1.0 - plate.v[start] < 0.5) continue;
        Blob b{0, 0, 0, false};
        double weight = 0;
        stack.push_back(start);
        label[start] = static_cast<int>(blobs.size());
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            const int x = p % w, y = p / w;
            const double ink = 1.0 - plate.v[p];
            b.x += x * ink;
            b.y += y * ink;
            weight += ink;
            b.edge = b.edge || x == 0 || y == 0 || x == w - 1 || y == h - 1;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const int q = ny * w + nx;
                    // Anti-aliased rims (some ink, under half) belong to the dot they touch.
                    if (label[q] < 0 && 1.0 - plate.v[q] > 0.0) {
                        label[q] = label[p];
                        stack.push_back(q);
                    }
                }
        }
        b.x /= weight;
        b.y /= weight;
        b.area = weight;
        blobs.push_back(b);
    }
    return blobs;
}

// The direction of a square grid of dot centres, in degrees from 0 to 90, counter-clockwise
// as the picture is seen: the mean over every pair of neighbours, on the circle of 4 angles.
double GridAngle(const std::vector<Blob>& dots, double pitch) {
    double s = 0, c = 0;
    for (const Blob& a : dots) {
        if (a.edge) continue;
        for (const Blob& b : dots) {
            if (b.edge) continue;
            const double dx = b.x - a.x, dy = -(b.y - a.y);
            const double d = std::hypot(dx, dy);
            if (d < 0.7 * pitch || d > 1.3 * pitch) continue;
            const double t = 4 * std::atan2(dy, dx);
            s += std::sin(t);
            c += std::cos(t);
        }
    }
    double angle = std::atan2(s, c) / 4 * 180 / M_PI;
    return angle < 0 ? angle + 90 : angle;
}

}  // namespace

// The built-in separation printed with ideal inks gives back the colour, for any black
// generation; the ink limit keeps black and takes what is over from the colour inks.
TEST(Separate, GreyReplacementPrintsTheColourAndTheLimitHolds) {
    const std::array<InkColour, kInkCount> ideal = {kProcessInks[0], kProcessInks[1], kProcessInks[2], kProcessInks[3]};
    for (float g : {0.0f, 0.5f, 1.0f})
        for (const std::array<float, 3>& rgb : std::vector<std::array<float, 3>>{
                 {0.75f, 0.5f, 0.25f}, {0.2f, 0.2f, 0.2f}, {0, 0, 0}, {1, 1, 1}, {0.9f, 0.1f, 0.4f}}) {
            const InkAmounts a = SeparateByGreyReplacement(rgb[0], rgb[1], rgb[2], GreyReplacement{g});
            const InkColour printed = InkOnPaper(a, ideal, {1, 1, 1});
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(printed[c], rgb[c], 1e-5) << g << " " << c;
            if (g == 0) {
                EXPECT_EQ(a[kBlack], 0.0f);
            }
        }
    InkAmounts a{1, 1, 1, 0.8f};
    LimitInk(a, 2.6);
    EXPECT_FLOAT_EQ(a[kBlack], 0.8f);
    EXPECT_NEAR(a[kCyan] + a[kMagenta] + a[kYellow] + a[kBlack], 2.6, 1e-5);
    EXPECT_FLOAT_EQ(a[kCyan], a[kYellow]);
}

// Along a grey ramp from white to black every ink rises, and black is a rich black within
// the ink limit, for any black generation but none (the colour inks alone).
TEST(Separate, GreyRampsRiseInEveryInkToARichBlack) {
    for (double limit : {3.0, 2.4})
        for (double g : {0.25, 0.5, 0.9, 1.0}) {
            const GreyReplacement settings{g, RichBlackWithin(limit)};
            InkAmounts previous{0, 0, 0, 0};
            for (int v = 255; v >= 0; --v) {
                InkAmounts a = SeparateByGreyReplacement(v / 255.0f, v / 255.0f, v / 255.0f, settings);
                LimitInk(a, limit);
                for (int k = 0; k < kInkCount; ++k) EXPECT_GE(a[k], previous[k] - 1e-6) << g << " " << v << " " << k;
                previous = a;
            }
            EXPECT_FLOAT_EQ(previous[kBlack], 1.0f) << g;
            EXPECT_LE(previous[kCyan] + previous[kMagenta] + previous[kYellow] + previous[kBlack], limit + 1e-5);
            EXPECT_NEAR(previous[kCyan], g < 1 ? std::min(0.6, (limit - 1) / 3) : 0.0, 1e-6) << g;
        }
}

// Area-true dots: every shape, flat fields from 0 to 100 %, at a small and a larger pitch
// and an angle other than the one the tables are measured at.
TEST(Separate, EveryShapeCoversItsAmountWithinTwoPercent) {
    EffectSession session(TONEDOT_EFFECT_PATH, true);
    ScreenRenderer renderer(session, {});
    const int size = 150;
    for (double pitch : {3.53, 11.0})
        for (int shape = 1; shape <= kScreenShapes; ++shape) {
            InkScreen screen;
            screen.shape = shape;
            screen.pitch = pitch;
            screen.angle = 15;
            for (int step = 0; step <= 10; ++step) {
                const float amount = step / 10.0f;
                const std::vector<float> flat(static_cast<std::size_t>(size) * size, amount);
                EXPECT_NEAR(MeanCoverage(renderer.Render(flat, size, size, screen)), amount, 0.02)
                    << kShapeNames[shape - 1] << " at pitch " << pitch;
            }
        }
}

// The command end to end: C 25 %, M 50 %, Y 75 %, K 0 (no black) on each plate, every shape,
// newsprint (85 lpi at 300 dpi) and a coarse screen.
TEST(Separate, PlatesHoldTheInkAmounts) {
    CliScratch s;
    // Large enough that the part cells at its edges weigh little.
    WriteStripes(s.Path("flat.png"), {{0.75f, 0.5f, 0.25f}}, 320, 320);
    struct Case {
        const char* lpi;
        const char* shape;
        const char* bits;
    };
    std::vector<Case> cases;
    for (const char* lpi : {"85", "24"})
        for (const char* shape : kShapeNames) cases.push_back({lpi, shape, "8"});
    cases.push_back({"24", "Circle", "1"});  // whole pixels of ink where they are at least half covered
    for (const auto& [lpi, shape, bits] : cases) {
        const RunResult r = s.Run({"separate", "flat.png", "--plates", "p", "--black-generation", "0", "--lpi", lpi,
                                   "--dpi", "300", "--shape", shape, "--plate-bits", bits, "--quiet"});
        ASSERT_EQ(r.code, 0) << r.err;
        const double expected[kInkCount] = {0.25, 0.5, 0.75, 0};
        for (int i = 0; i < kInkCount; ++i) {
            const Raster plate = ReadRaw(s.Path(std::string("p-") + InkLetter(i) + ".tif"));
            EXPECT_NEAR(MeanInk(plate, 0, plate.width, 0, plate.height), expected[i], 0.02)
                << shape << " at " << lpi << " lpi, " << bits << "-bit, ink " << InkLetter(i);
        }
    }
}

// Grey patches printed by black alone (black generation 1), as 8-bit stripes; the ink each
// stripe means.
std::vector<double> WriteGreyPatches(const std::string& path, const std::vector<double>& inks, int stripe, int height) {
    std::vector<std::array<float, 3>> colours;
    std::vector<double> meant;
    for (double ink : inks) {
        const float v = static_cast<float>(std::lround((1.0 - ink) * 255) / 255.0);
        colours.push_back({v, v, v});
        meant.push_back(1.0 - v);
    }
    WriteStripes(path, colours, stripe, height);
    return meant;
}

// What the device prints: 1-bit plates at newsprint and magazine settings, every shape,
// patches from 5 to 95 %, within 2 points of the ink meant (the tables are measured on the
// thresholded pixels).
TEST(Separate, OneBitPlatesPrintTheirTone) {
    CliScratch s;
    const int stripe = 96, margin = 12;
    const std::vector<double> meant = WriteGreyPatches(s.Path("ramp.png"), {0.05, 0.2, 0.4, 0.5, 0.7, 0.9, 0.95}, stripe, 161);
    for (const auto& [lpi, dpi] : {std::make_pair("85", "300"), std::make_pair("150", "600")})
        for (const char* shape : kShapeNames) {
            const RunResult r = s.Run({"separate", "ramp.png", "--plates", "p", "--plate-bits", "1", "--black-generation", "1",
                                       "--lpi", lpi, "--dpi", dpi, "--shape", shape, "--quiet"});
            ASSERT_EQ(r.code, 0) << r.err;
            const Raster plate = ReadRaw(s.Path("p-K.tif"));
            for (std::size_t i = 0; i < meant.size(); ++i) {
                const int x0 = static_cast<int>(i) * stripe + margin;
                EXPECT_NEAR(MeanInk(plate, x0, x0 + stripe - 2 * margin, margin, plate.height - margin), meant[i], 0.02)
                    << shape << " at " << lpi << "/" << dpi << ", patch " << meant[i];
            }
        }
}

// The SVG is true at any resolution: rasterised at four times --dpi by a real SVG renderer,
// its patches print their tone for every shape, fine and coarse screens.
TEST(Separate, SvgPrintsItsToneAtFourTimesTheResolution) {
    if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert is not installed (librsvg2-bin)";
    CliScratch s;
    const int stripe = 80, margin = 14;
    const std::vector<double> meant = WriteGreyPatches(s.Path("ramp.png"), {0.1, 0.5, 0.9}, stripe, 120);
    for (const char* lpi : {"85", "30"})
        for (const char* shape : kShapeNames) {
            RunResult r = s.Run({"separate", "ramp.png", "--svg", "d.svg", "--black-generation", "1", "--lpi", lpi,
                                 "--dpi", "300", "--shape", shape, "--quiet"});
            ASSERT_EQ(r.code, 0) << r.err;
            ASSERT_EQ(std::system(("cd " + Quote(s.Dir()) + " && rsvg-convert --dpi-x 1200 --dpi-y 1200 -b white -o d.png d.svg").c_str()), 0);
            const Raster page = ReadRaw(s.Path("d.png"));
            // The renderer rounds the page up to whole pixels.
            ASSERT_NEAR(page.width, 4 * stripe * static_cast<int>(meant.size()), 1);
            for (std::size_t i = 0; i < meant.size(); ++i) {
                const int x0 = 4 * (static_cast<int>(i) * stripe + margin);
                EXPECT_NEAR(MeanInk(page, x0, x0 + 4 * (stripe - 2 * margin), 4 * margin, 4 * (120 - margin)), meant[i], 0.02)
                    << shape << " at " << lpi << " lpi, patch " << meant[i];
            }
            std::remove(s.Path("d.png").c_str());
        }
}

// The PDF for the print shop: a sound file (qpdf --check), the page at --dpi, a layer per
// ink named as the ink, cyan first; rendered at four times --dpi by a real PDF renderer, grey
// patches print their tone for a few shapes, and rendered as CMYK with overprinting a cyan
// tint is cyan alone and solid blue keeps its cyan under the magenta (knocked out, none).
TEST(Separate, PdfPrintsItsToneWithALayerPerInk) {
    for (const char* tool : {"qpdf", "pdftoppm"})
        if (std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << tool << " is not installed (Debian: qpdf, poppler-utils)";
    CliScratch s;
    const int stripe = 80, margin = 14, height = 120;
    const std::vector<double> grey = WriteGreyPatches(s.Path("ramp.png"), {0.1, 0.5, 0.9}, stripe, height);
    WriteStripes(s.Path("colour.png"), {{0.75f, 1, 1}, {0, 0, 1}}, stripe, height);
    const std::vector<std::array<double, kInkCount>> colourInks = {{0.25, 0, 0, 0}, {1, 1, 0, 0}};
    struct Case {
        const char *input, *shape, *lpi;
        bool cmyk;
    };
    for (const Case& c : {Case{"ramp.png", "Circle", "85", false}, Case{"ramp.png", "Diamond", "30", false},
                          Case{"ramp.png", "Cross", "30", false}, Case{"colour.png", "Round Square", "30", true}}) {
        const std::string what = std::string(c.input) + " " + c.shape + " at " + c.lpi + " lpi";
        const RunResult r = s.Run({"separate", c.input, "--pdf", "d.pdf", "--black-generation", c.cmyk ? "0" : "1",
                                   "--lpi", c.lpi, "--dpi", "300", "--shape", c.shape, "--quiet"});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string in = "cd " + Quote(s.Dir()) + " && ";
        EXPECT_EQ(std::system((in + "qpdf --check d.pdf >/dev/null").c_str()), 0) << what;
        ASSERT_EQ(std::system((in + (c.cmyk ? "pdftoppm -r 1200 -overprint -tiff -tiffcompression none -singlefile d.pdf d"
                                            : "pdftoppm -r 1200 -gray -png -singlefile d.pdf d")).c_str()), 0) << what;
        const Raster page = ReadRaw(s.Path(c.cmyk ? "d.tif" : "d.png"));
        const int patches = static_cast<int>(c.cmyk ? colourInks.size() : grey.size());
        ASSERT_NEAR(page.width, 4 * stripe * patches, 1) << what;
        ASSERT_NEAR(page.height, 4 * height, 1) << what;
        for (int i = 0; i < patches; ++i) {
            const int x0 = 4 * (i * stripe + margin), x1 = x0 + 4 * (stripe - 2 * margin);
            if (!c.cmyk) {
                EXPECT_NEAR(MeanInk(page, x0, x1, 4 * margin, 4 * (height - margin)), grey[i], 0.02) << what;
                continue;
            }
            ASSERT_EQ(page.channels, kInkCount) << what;
            for (int k = 0; k < kInkCount; ++k)
                EXPECT_NEAR(MeanInk(page, x0, x1, 4 * margin, 4 * (height - margin), k), colourInks[i][k], 0.02)
                    << what << ", patch " << i << ", ink " << InkLetter(k);
        }
    }
    // The layers: the catalogue's optional-content groups, in order, named as the inks.
    ASSERT_EQ(std::system(("cd " + Quote(s.Dir()) + " && qpdf --json --json-key=qpdf d.pdf > d.json").c_str()), 0);
    const nlohmann::json objects = nlohmann::json::parse(ReadText(s.Path("d.json")))["qpdf"][1];
    const auto object = [&](const nlohmann::json& ref) { return objects["obj:" + ref.get<std::string>()]["value"]; };
    const nlohmann::json groups = object(objects["trailer"]["value"]["/Root"])["/OCProperties"]["/OCGs"];
    ASSERT_EQ(groups.size(), std::size_t{kInkCount}) << groups.dump();
    for (int k = 0; k < kInkCount; ++k) {
        const nlohmann::json group = object(groups[static_cast<std::size_t>(k)]);
        EXPECT_EQ(group["/Type"], "/OCG");
        EXPECT_EQ(group["/Name"], std::string("u:") + InkName(k));
    }
}

// The press's limits: dot gain compensated (15 points at 50 % prints a 50 % patch from a
// 36 % plate), the smallest and largest dots held or dropped; 8-bit plates at a coarse screen.
TEST(Separate, DotGainAndDotLimitsShapeThePlate) {
    CliScratch s;
    const int stripe = 96, margin = 14;
    {
        std::ofstream curve(s.Path("gain.txt"));
        curve << "# plate printed\n50 60\n";
    }
    struct Case {
        std::vector<std::string> options;
        double ink, plate;
    };
    const double parabola = (1.6 - std::sqrt(1.6 * 1.6 - 4 * 0.6 * 0.5)) / 1.2;  // p + 0.6 p (1 - p) = 0.5
    const std::vector<Case> cases = {
        {{"--dot-gain", "15"}, 0.5, parabola}, {{"--dot-gain", "15"}, 0, 0}, {{"--dot-gain", "15"}, 1, 1},
        {{"--dot-gain", "gain.txt"}, 0.6, 0.5},  {{"--dot-gain", "gain.txt"}, 0.3, 0.25},
        {{"--min-dot", "10"}, 0.07, 0.1},       {{"--min-dot", "10"}, 0.03, 0},
        {{"--max-dot", "90"}, 0.93, 0.9},       {{"--max-dot", "90"}, 0.97, 1},
    };
    for (const Case& c : cases) {
        const std::vector<double> meant = WriteGreyPatches(s.Path("flat.png"), {c.ink}, stripe, stripe);
        std::vector<std::string> args = {"separate", "flat.png", "--plates", "g", "--black-generation", "1",
                                         "--lpi", "25", "--dpi", "300", "--quiet"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = s.Run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const Raster plate = ReadRaw(s.Path("g-K.tif"));
        const double expected = c.plate + (meant[0] - c.ink);
        EXPECT_NEAR(MeanInk(plate, margin, stripe - margin, margin, stripe - margin), expected, 0.02)
            << c.options[0] << " " << c.options[1] << " for " << c.ink;
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--min-dot", "60"}, {"--max-dot", "40"}, {"--dot-gain", "90"}, {"--dot-gain", "gain.txt,"},
             {"--set", "Dot Aspect=50"}}) {
        std::vector<std::string> args = {"separate", "flat.png", "--plates", "g", "--quiet"};
        args.insert(args.end(), bad.begin(), bad.end());
        const RunResult r = s.Run(args);
        EXPECT_TRUE(r.code == 2 || r.code == 3) << bad[0] << " " << bad[1] << ": " << r.code << " " << r.err;
    }
}

// Every input prints as its file means it, measured on 8-bit plates: NaN pixels are empty
// paper and spread nowhere, linear light is encoded before it is separated, a CMYK file's
// channels are its inks, ink is coverage times alpha and none where alpha is 0, and --size
// fits, fills or stretches as asked.
TEST(Separate, EveryInputPrintsAsItsFileMeans) {
    CliScratch s;
    auto write = [&](const std::string& name, int w, int h, const std::vector<std::string>& channels,
                     OIIO::TypeDesc type, const std::function<float(int, int, int)>& value, const char* space = nullptr) {
        std::vector<float> px(static_cast<std::size_t>(w) * h * channels.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (std::size_t c = 0; c < channels.size(); ++c)
                    px[(static_cast<std::size_t>(y) * w + x) * channels.size() + c] = value(x, y, static_cast<int>(c));
        OIIO::ImageSpec layout(w, h, static_cast<int>(channels.size()), type);
        layout.channelnames = channels;
        if (channels.size() == 4 && channels[3] == "K") {
            layout.alpha_channel = -1;
            layout.attribute("tiff:ColorSpace", "CMYK");
        }
        if (space) layout.attribute("oiio:ColorSpace", space);
        if (channels.back() == "A") layout.attribute("oiio:UnassociatedAlpha", 1);  // the colours as given
        auto out = OIIO::ImageOutput::create(s.Path(name));
        ASSERT_TRUE(out && out->open(s.Path(name), layout) && out->write_image(OIIO::TypeDesc::FLOAT, px.data()) && out->close());
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Linear red 0.2 (sRGB 0.4845), with a NaN square and a column of infinities.
    write("linear.exr", 400, 100, {"R", "G", "B"}, OIIO::TypeDesc::HALF, [&](int x, int y, int c) {
        if (x >= 20 && x < 40 && y >= 20 && y < 40) return nan;
        if (x == 300) return std::numeric_limits<float>::infinity();
        return c == 0 ? 0.2f : 1.0f;
    });
    write("cmyk.tif", 120, 120, {"C", "M", "Y", "K"}, OIIO::TypeDesc::UINT8, [](int, int, int c) { return c == 3 ? 0.5f : 0.0f; });
    // Mid grey at half alpha on the left, anything at alpha 0 on the right.
    write("alpha.png", 160, 120, {"R", "G", "B", "A"}, OIIO::TypeDesc::UINT8,
          [](int x, int, int c) { return c == 3 ? (x < 80 ? 0.5f : 0.0f) : (x < 80 ? 0.5f : 0.0f); });
    struct Case {
        std::string input;
        int ink;
        int x0, x1, y0, y1;
        double expected;
    };
    const double cyan = 1 - (1.055 * std::pow(0.2, 1 / 2.4) - 0.055);
    const std::vector<Case> cases = {
        {"linear.exr", kCyan, 100, 280, 10, 90, cyan},  // beside and below the NaN square, as far as its rows
        {"linear.exr", kCyan, 50, 100, 20, 40, cyan},
        {"linear.exr", kCyan, 24, 36, 24, 36, 0},       // the NaN square itself: paper
        {"linear.exr", kBlack, 100, 280, 10, 90, 0},
        {"cmyk.tif", kBlack, 20, 100, 20, 100, 0.5},
        {"cmyk.tif", kCyan, 20, 100, 20, 100, 0},
        {"alpha.png", kBlack, 20, 60, 20, 100, 0.25},  // 50 % grey, all black, at alpha 0.5
        {"alpha.png", kBlack, 80, 160, 0, 120, 0},     // no dot reaches into alpha 0
    };
    for (const Case& c : cases) {
        const RunResult r = s.Run({"separate", c.input, "--plates", "i", "--black-generation", "1", "--lpi", "30",
                                   "--dpi", "300", "--quiet"});
        ASSERT_EQ(r.code, 0) << c.input << ": " << r.err;
        const Raster plate = ReadRaw(s.Path(std::string("i-") + InkLetter(c.ink) + ".tif"));
        EXPECT_NEAR(MeanInk(plate, c.x0, c.x1, c.y0, c.y1), c.expected, 0.02)
            << c.input << " ink " << InkLetter(c.ink) << " over " << c.x0 << "-" << c.x1 << " x " << c.y0 << "-" << c.y1;
    }
    // A square picture on a page twice as wide as high.
    for (const auto& [fit, w, h] : std::vector<std::tuple<std::string, int, int>>{
             {"", 100, 100}, {"fit", 100, 100}, {"fill", 200, 100}, {"stretch", 200, 100}}) {
        std::vector<std::string> args = {"separate", "cmyk.tif", "--plates", "f", "-o", "f.png", "--size", "2x1in",
                                         "--dpi", "100", "--lpi", "10"};
        if (!fit.empty()) args.insert(args.end(), {"--fit", fit});
        const RunResult r = s.Run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const Raster plate = ReadRaw(s.Path("f-K.tif"));
        EXPECT_EQ(plate.width, w) << fit;
        EXPECT_EQ(plate.height, h) << fit;
        EXPECT_EQ(r.err.find("aspect kept") != std::string::npos, fit == "" || fit == "fit") << fit << ": " << r.err;
        // Every output carries --dpi.
        for (const char* name : {"f-K.tif", "f.png"}) {
            auto in = OIIO::ImageInput::open(s.Path(name));
            ASSERT_TRUE(in) << name;
            // PNG stores pixels per metre.
            EXPECT_NEAR(in->spec().get_float_attribute("XResolution"), 100.0f, 0.01) << name;
            EXPECT_NEAR(in->spec().get_float_attribute("YResolution"), 100.0f, 0.01) << name;
        }
    }
}

// Each plate's grid runs at its ink's angle (the defaults, and a set of its own), and the
// SVG holds the plates' dots: as many whole dots in each ink's layer, of the same area.
TEST(Separate, GridsRunAtTheirAnglesAndTheSvgLayersMatchThePlates) {
    CliScratch s;
    WriteStripes(s.Path("grey.png"), {{0.55f, 0.55f, 0.55f}}, 240, 240);
    const double pitch = 12;
    for (const auto& [angles, expected] : std::vector<std::pair<std::string, std::array<double, 4>>>{
             {"", {15, 75, 0, 45}}, {"22.5,52.5,7,82", {22.5, 52.5, 7, 82}}}) {
        std::vector<std::string> args = {"separate", "grey.png", "--plates", "g", "--svg", "g.svg",
                                         "--lpi", "25", "--dpi", "300", "--quiet"};
        if (!angles.empty()) args.insert(args.end(), {"--angles", angles});
        const RunResult r = s.Run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string svg = ReadText(s.Path("g.svg"));
        for (int i = 0; i < kInkCount; ++i) {
            const Raster plate = ReadRaw(s.Path(std::string("g-") + InkLetter(i) + ".tif"));
            const std::vector<Blob> dots = Dots(plate);
            ASSERT_GT(dots.size(), 100u) << InkLetter(i);
            EXPECT_NEAR(GridAngle(dots, pitch), expected[i], 0.5) << "ink " << InkLetter(i) << " angles " << angles;

            // The ink's layer, and its dots wholly inside the picture against the plate's
            // dots that do not touch its edge.
            const std::size_t open = svg.find(std::string("<g id=\"ink-") + InkLetter(i) + "\"");
            ASSERT_NE(open, std::string::npos);
            EXPECT_NE(svg.find("inkscape:groupmode=\"layer\"", open), std::string::npos);
            const std::string layer = svg.substr(open, svg.find("</g>", open) - open);
            std::size_t vectorDots = 0, rasterDots = 0;
            double vectorArea = 0, rasterArea = 0;
            const std::regex path("<path d=\"M([^\"Z]*)Z\"");
            for (auto m = std::sregex_iterator(layer.begin(), layer.end(), path); m != std::sregex_iterator(); ++m) {
                std::istringstream numbers((*m)[1].str());
                std::vector<double> xy;
                for (double v; numbers >> v;) xy.push_back(v);
                bool inside = true;
                double area = 0;
                for (std::size_t k = 0; k < xy.size(); k += 2) {
                    const std::size_t n = (k + 2) % xy.size();
                    area += xy[k] * xy[n + 1] - xy[n] * xy[k + 1];
                    inside = inside && xy[k] > 1 && xy[k + 1] > 1 && xy[k] < plate.width - 1 && xy[k + 1] < plate.height - 1;
                }
                if (!inside) continue;
                ++vectorDots;
                vectorArea += std::fabs(area) / 2;
            }
            for (const Blob& b : dots)
                if (!b.edge) {
                    ++rasterDots;
                    rasterArea += b.area;
                }
            // Dots that only just touch or leave the edge count on one side and not the other.
            EXPECT_NEAR(static_cast<double>(vectorDots), static_cast<double>(rasterDots), 0.03 * rasterDots) << InkLetter(i);
            EXPECT_NEAR(vectorArea / vectorDots, rasterArea / rasterDots, 0.02 * rasterArea / rasterDots) << InkLetter(i);
        }
    }
}

// Through an ICC profile: the screened CMYK TIFF holds, patch by patch, what Little CMS
// itself makes of the patch's colour, from sRGB or from the input's embedded profile.
TEST(Separate, ProfileSeparationAgreesWithLittleCms) {
    struct stat st;
    if (stat(kCmykProfile.c_str(), &st) != 0) GTEST_SKIP() << kCmykProfile << " is not installed (libgs-common)";
    CliScratch s;
    const std::vector<std::array<float, 3>> patches = {{0.8f, 0.3f, 0.2f}, {0.2f, 0.6f, 0.9f}, {0.5f, 0.5f, 0.5f}, {0.9f, 0.85f, 0.3f}};
    std::string wide;
    ASSERT_TRUE(ReadWholeFile(kWideRgbProfile, wide));
    WriteStripes(s.Path("srgb.tif"), patches, 100, 100);
    WriteStripes(s.Path("wide.tif"), patches, 100, 100, wide);
    // Input, its profile, and the intent and black-point compensation asked for.
    for (const auto& [input, profile, intent, bpc] : std::vector<std::tuple<std::string, std::string, int, bool>>{
             {"srgb.tif", "", INTENT_PERCEPTUAL, false},
             {"wide.tif", kWideRgbProfile, INTENT_PERCEPTUAL, false},
             {"srgb.tif", "", INTENT_RELATIVE_COLORIMETRIC, true}}) {
        std::vector<std::string> args = {"separate", input, "-o", "cmyk.tif", "--cmyk", "--profile", kCmykProfile,
                                         "--lpi", "30", "--dpi", "300", "--quiet"};
        if (intent == INTENT_RELATIVE_COLORIMETRIC) args.insert(args.end(), {"--intent", "relative"});
        if (bpc) args.push_back("--bpc");
        const RunResult r = s.Run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        cmsHPROFILE from = profile.empty() ? cmsCreate_sRGBProfile() : cmsOpenProfileFromFile(profile.c_str(), "r");
        cmsHPROFILE to = cmsOpenProfileFromFile(kCmykProfile.c_str(), "r");
        cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_CMYK_8, static_cast<cmsUInt32Number>(intent),
                                             bpc ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0);
        const Raster cmyk = ReadRaw(s.Path("cmyk.tif"));
        ASSERT_EQ(cmyk.channels, 4);
        for (std::size_t p = 0; p < patches.size(); ++p) {
            const unsigned char rgb[3] = {static_cast<unsigned char>(std::lround(patches[p][0] * 255)),
                                          static_cast<unsigned char>(std::lround(patches[p][1] * 255)),
                                          static_cast<unsigned char>(std::lround(patches[p][2] * 255))};
            unsigned char ink[4];
            cmsDoTransform(t, rgb, ink, 1);
            const int x0 = static_cast<int>(p) * 100 + 20;
            for (int c = 0; c < kInkCount; ++c)
                EXPECT_NEAR(MeanInk(cmyk, x0, x0 + 60, 10, 90, c), ink[c] / 255.0, 0.025)
                    << input << " patch " << p << " ink " << InkLetter(c);
        }
        cmsDeleteTransform(t);
        cmsCloseProfile(from);
        cmsCloseProfile(to);
    }
}

// With --profile the preview is a proof through it: solid inks and their overprints (a CMYK
// input) come out as Little CMS sees them through the profile, the paper white (relative
// colorimetric, the proof's default) or tinted (absolute), not as the ideal process inks.
TEST(Separate, ThePreviewProofsThroughTheProfile) {
    struct stat st;
    if (stat(kCmykProfile.c_str(), &st) != 0) GTEST_SKIP() << kCmykProfile << " is not installed (libgs-common)";
    CliScratch s;
    const std::vector<std::array<float, 4>> solids = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0},
                                                      {1, 1, 0, 0}, {0, 0, 0, 1}};
    const int stripe = 60, height = 60, margin = 12;
    {
        OIIO::ImageSpec layout(stripe * static_cast<int>(solids.size()), height, kInkCount, OIIO::TypeDesc::UINT8);
        layout.channelnames = {"C", "M", "Y", "K"};
        layout.alpha_channel = -1;
        layout.attribute("tiff:ColorSpace", "CMYK");
        std::vector<float> px;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < layout.width; ++x) px.insert(px.end(), solids[x / stripe].begin(), solids[x / stripe].end());
        auto out = OIIO::ImageOutput::create(s.Path("solids.tif"));
        ASSERT_TRUE(out && out->open(s.Path("solids.tif"), layout) && out->write_image(OIIO::TypeDesc::FLOAT, px.data()) &&
                    out->close());
    }
    for (const auto& [option, intent] : {std::make_pair("perceptual", INTENT_RELATIVE_COLORIMETRIC),
                                         std::make_pair("absolute", INTENT_ABSOLUTE_COLORIMETRIC)}) {
        const RunResult r = s.Run({"separate", "solids.tif", "-o", "proof.png", "--profile", kCmykProfile, "--intent",
                                   option, "--lpi", "30", "--dpi", "300", "--quiet"});
        ASSERT_EQ(r.code, 0) << r.err;
        const Raster proof = ReadRaw(s.Path("proof.png"));
        cmsHPROFILE from = cmsOpenProfileFromFile(kCmykProfile.c_str(), "r");
        cmsHPROFILE to = cmsCreate_sRGBProfile();
        cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_CMYK_FLT, to, TYPE_RGB_FLT, static_cast<cmsUInt32Number>(intent), 0);
        for (std::size_t i = 0; i < solids.size(); ++i) {
            float ink[kInkCount], rgb[3];
            for (int k = 0; k < kInkCount; ++k) ink[k] = solids[i][static_cast<std::size_t>(k)] * 100;
            cmsDoTransform(t, ink, rgb, 1);
            const InkAmounts amounts{solids[i][0], solids[i][1], solids[i][2], solids[i][3]};
            const InkColour ideal = InkOnPaper(amounts, {kProcessInks[0], kProcessInks[1], kProcessInks[2], kProcessInks[3]},
                                               {1, 1, 1});
            double farthestFromIdeal = 0;
            const int x0 = static_cast<int>(i) * stripe + margin;
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int y = margin; y < height - margin; ++y)
                    for (int x = x0; x < x0 + stripe - 2 * margin; ++x) sum += proof.At(x, y, c);
                const double mean = sum / ((stripe - 2 * margin) * (height - 2 * margin));
                EXPECT_NEAR(mean, std::clamp(rgb[c], 0.0f, 1.0f), 0.03) << option << ", solid " << i << ", channel " << c;
                farthestFromIdeal = std::max(farthestFromIdeal, std::abs(mean - ideal[static_cast<std::size_t>(c)]));
            }
            if (i > 0) {
                EXPECT_GT(farthestFromIdeal, 0.05) << option << ", solid " << i << ": the ideal ink, not the press's";
            }
        }
        cmsDeleteTransform(t);
        cmsCloseProfile(from);
        cmsCloseProfile(to);
    }
}

// The user's own effector (a radial map shrinking the dots toward the centre, through the
// picture as its layer) acts on every ink: less ink in the middle than at the corners.
TEST(Separate, AnEffectorOfTheUsersActsOnEveryInk) {
    CliScratch s;
    WriteStripes(s.Path("flat.png"), {{0.4f, 0.4f, 0.4f}}, 200, 200);
    const RunResult r = s.Run({"separate", "flat.png", "--plates", "e", "--lpi", "30", "--quiet",
                               "--set", "Enable Effector 2=on", "--set", "Effect Map 2=Radial", "--set", "Size 2=80",
                               "--set", "Ratio Size 2=0.2", "--layer", "Custom Map Layer 2=self"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (int i = 0; i < kInkCount; ++i) {
        const Raster plate = ReadRaw(s.Path(std::string("e-") + InkLetter(i) + ".tif"));
        const double middle = MeanInk(plate, 80, 120, 80, 120), corner = MeanInk(plate, 0, 40, 0, 40);
        EXPECT_GT(corner, 0.1) << InkLetter(i);
        EXPECT_LT(middle, corner / 3) << InkLetter(i);
    }
}

// A page drawn in bands of a few rows (each with the rows its dots and the whole-pixel
// passes depend on) is the page drawn whole, to the bit: the preview, the CMYK TIFF, 8 and
// 1-bit plates, of a resampled picture with a transparent hole and a grid centred off the
// page's middle.  Round Square dots are not drawn alike everywhere (their corners meet
// the rasteriser's convexity test on the last bits of their places), so theirs are held
// to the tone.
TEST(Separate, BandsDrawThePageAsItIsDrawnWhole) {
    CliScratch s;
    const int w = 60, h = 120;
    std::vector<float> pixels(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = &pixels[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<float>(x) / w;
            p[1] = static_cast<float>(y) / h;
            p[2] = 0.5f + 0.5f * std::sin(0.2f * static_cast<float>(x + y));
            p[3] = x > 20 && x < 30 && y > 50 && y < 62 ? 0.0f : 1.0f;
        }
    auto out = OIIO::ImageOutput::create(s.Path("in.png"));
    ASSERT_TRUE(out && out->open(s.Path("in.png"), OIIO::ImageSpec(w, h, 4, OIIO::TypeDesc::UINT8)) &&
                out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()) && out->close());
    const std::vector<std::string> common = {"--size", "0.5in", "--dpi", "300", "--set", "Center Position=40%,35%",
                                             "--quiet"};
    // The files each run writes, whether they are the same to the bit, and the options.
    struct Case {
        int files;
        bool exact;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        {5, true, {"-o", "P.png", "--plates", "P", "--lpi", "40", "--shape", "Star,Diamond,Cross,Circle"}},
        {1, true, {"-o", "P.tif", "--cmyk", "--lpi", "30"}},
        {4, true, {"--plates", "P", "--plate-bits", "1", "--lpi", "85", "--shape", "Square,Circle,Cross,Diamond"}},
        {4, false, {"--plates", "P", "--plate-bits", "1", "--lpi", "85", "--shape", "Round Square"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> whole = {"separate", "in.png"}, banded;
        whole.insert(whole.end(), c.options.begin(), c.options.end());
        whole.insert(whole.end(), common.begin(), common.end());
        banded = whole;
        for (std::string& a : whole) a = a == "P.png" || a == "P.tif" || a == "P" ? "whole-" + a : a;
        for (std::string& a : banded) a = a == "P.png" || a == "P.tif" || a == "P" ? "band-" + a : a;
        RunResult r = s.Run(whole);
        ASSERT_EQ(r.code, 0) << r.err;
        r = s.Run(banded, "TONEDOT_SEPARATE_BAND_ROWS=23");
        ASSERT_EQ(r.code, 0) << r.err;
        int compared = 0;
        for (const std::string& name : s.Listing()) {
            if (name.rfind("whole-", 0) != 0) continue;
            const std::string other = "band-" + name.substr(6);
            const Raster a = ReadRaw(s.Path(name)), b = ReadRaw(s.Path(other));
            ASSERT_TRUE(a.height == 300 && a.width == b.width && a.height == b.height && a.channels == b.channels)
                << name;
            if (c.exact) {
                EXPECT_TRUE(a.v == b.v) << name;
            } else {
                std::size_t differ = 0;
                for (std::size_t i = 0; i < a.v.size(); ++i) differ += a.v[i] != b.v[i];
                EXPECT_LT(differ, a.v.size() / 50) << name;
                EXPECT_NEAR(MeanInk(a, 0, a.width, 0, a.height), MeanInk(b, 0, b.width, 0, b.height), 0.005) << name;
            }
            std::remove(s.Path(name).c_str());
            std::remove(s.Path(other).c_str());
            ++compared;
        }
        EXPECT_EQ(compared, c.files) << c.options[0];
    }
}

// The command's files: an output that is the input, or a plate that cannot be written,
// stops the run before or without leaving anything.
TEST(Separate, NothingIsLeftWhenAnOutputFails) {
    CliScratch s;
    WriteStripes(s.Path("in.png"), {{0.4f, 0.5f, 0.6f}}, 60, 40);
    const std::string before = ReadText(s.Path("in.png"));
    RunResult r = s.Run({"separate", "in.png", "-o", "in.png"});
    EXPECT_EQ(r.code, 2) << r.err;
    r = s.Run({"separate", "in.png", "--plates", "p", "--plate-bits", "3"});
    EXPECT_EQ(r.code, 2) << r.err;
    ASSERT_EQ(mkdir(s.Path("p-K.tif").c_str(), 0777), 0);
    r = s.Run({"separate", "in.png", "-o", "out.png", "--plates", "p", "--svg", "d.svg"});
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(ReadText(s.Path("in.png")), before);
    // A file cut short is a failure (for a library's writer too), and the message names the
    // output, not the temporary file written first.
    for (const auto& [option, name] : {std::make_pair("-o", "out.png"), std::make_pair("--pdf", "d.pdf")}) {
        r = s.Run({"separate", "in.png", option, name}, "ulimit -f 1 &&");
        EXPECT_EQ(r.code, 3) << r.err;
        EXPECT_NE(r.err.find(std::string("\"") + name + "\""), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(".tonedot-"), std::string::npos) << r.err;
    }
    // A page the memory cannot hold is weighed before the picture is read: exit 5, nothing
    // written; under the same limit a small page is made.  (AddressSanitizer cannot start
    // under an address-space limit.)
#if !defined(__SANITIZE_ADDRESS__)
    // Drawn in bands, a page's width is what counts: 36000 pixels wide, with the margins
    // 1-bit plates need, a band does not fit.
    r = s.Run({"separate", "in.png", "--plates", "big", "--plate-bits", "1", "--size", "60in", "--dpi", "600"},
              "ulimit -v 3000000 &&");
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_NE(r.err.find("memory"), std::string::npos) << r.err;
    r = s.Run({"separate", "in.png", "-o", "small.png", "--quiet"}, "ulimit -v 3000000 &&");
    EXPECT_EQ(r.code, 0) << r.err;
    std::remove(s.Path("small.png").c_str());
#endif
    std::vector<std::string> names = s.Listing();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in.png", "p-K.tif"}));
}

// A signal ends a run at once whatever step it is in (here resampling to a page of 600
// million pixels), with 128 + the signal and no file.
TEST(Separate, ASignalEndsTheRunWithinSeconds) {
    CliScratch s;
    WriteStripes(s.Path("in.png"), {{0.4f, 0.5f, 0.6f}, {0.9f, 0.2f, 0.1f}}, 30, 40);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(s.Dir().c_str()) != 0 || !std::freopen("err", "w", stderr)) _exit(99);
        setenv("XDG_CONFIG_HOME", s.Config().c_str(), 1);
        setenv("TONEDOT_EFFECT", TONEDOT_EFFECT_PATH, 1);
        execl(TONEDOT_CLI_PATH, TONEDOT_CLI_PATH, "separate", "in.png", "-o", "out.png", "--plates", "p", "--size",
              "100in", "--dpi", "300", static_cast<char*>(nullptr));
        _exit(97);
    }
    // Once the outputs' temporary files are there, the first band is being resampled.
    auto started = [&] {
        for (const std::string& name : s.Listing())
            if (name.find(".tonedot-") != std::string::npos) return true;
        return false;
    };
    for (int i = 0; i < 600 && !started() && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(pid, SIGTERM);
    const auto sent = std::chrono::steady_clock::now();
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 600 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the run did not stop within 12 s";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(4));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM) << ReadText(s.Path("err"));
    std::vector<std::string> names = s.Listing();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"err", "in.png"}));
}
