// Print screens: ink amounts from colours, area-true dots for every shape, each ink's grid
// at its angle, SVG layers that match the plates, the ICC path against Little CMS itself,
// and the file rules of the command.
#include <OpenImageIO/imageio.h>
#include <lcms2.h>

#include <cmath>
#include <functional>
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
    for (const auto& [input, profile] : {std::make_pair(std::string("srgb.tif"), std::string()),
                                         std::make_pair(std::string("wide.tif"), kWideRgbProfile)}) {
        const RunResult r = s.Run({"separate", input, "-o", "cmyk.tif", "--cmyk", "--profile", kCmykProfile,
                                   "--lpi", "30", "--dpi", "300", "--quiet"});
        ASSERT_EQ(r.code, 0) << r.err;
        cmsHPROFILE from = profile.empty() ? cmsCreate_sRGBProfile() : cmsOpenProfileFromFile(profile.c_str(), "r");
        cmsHPROFILE to = cmsOpenProfileFromFile(kCmykProfile.c_str(), "r");
        cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_CMYK_8, INTENT_PERCEPTUAL, 0);
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
    std::vector<std::string> names = s.Listing();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in.png", "p-K.tif"}));
}
