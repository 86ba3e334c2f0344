// Whole frames of every shape, at two rotations and in the three depths, against reference
// images checked in under tests/reference/, and the three depths of one frame against each
// other.
//
// The references are regenerated with scripts/update-references.sh (which runs this test
// with TONEDOT_UPDATE_REFERENCES=1); look at every image before checking it in.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "look/Choices.h"
#include "tests/support/PngFile.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

// 96 x 64 layer, dots of size 20 on centres 24 apart around the layer centre: three whole
// columns, half dots clipped at the left and right edges, rows clipped at top and bottom.
constexpr A_long kWidth = 96, kHeight = 64;

struct ReferenceFrame {
    const char* name;
    A_long shape;
    double rotation;  // "Dot Rotation", degrees
    double aspect;    // "Dot Aspect", percent
};

// Unrotated and round; then turned 30 degrees (clockwise on screen) and flattened to 60 %
// of the height, so that the direction of the turn shows on every shape.
const ReferenceFrame kFrames[] = {
    {"circle-0", 1, 0, 0},       {"circle-30", 1, 30, 40},    {"square-0", 2, 0, 0},
    {"square-30", 2, 30, 40},    {"roundsquare-0", 3, 0, 0},  {"roundsquare-30", 3, 30, 40},
    {"cross-0", 4, 0, 0},        {"cross-30", 4, 30, 40},     {"star-0", 5, 0, 0},
    {"star-30", 5, 30, 40},      {"diamond-0", 6, 0, 0},      {"diamond-30", 6, 30, 40},
};

// A pixel differs when one of its channels differs by more than one 8-bit step; a frame fails
// when any channel is off by more than kMaxDifference or more than kMaxDifferingShare of its
// pixels differ.  Equal builds reproduce the references exactly; the margins leave room for
// a compiler that rounds one sample of an edge differently.
constexpr double kDifferenceThreshold = 1.0 / 255 + 1e-9;
constexpr double kMaxDifference = 16.0 / 255;
constexpr double kMaxDifferingShare = 0.005;

std::string ReferencePath(const std::string& name, PF_PixelFormat format) {
    return std::string(TONEDOT_SOURCE_DIR) + "/tests/reference/" + name + "-" + DepthName(format) +
           ".png";
}

// 8-bit renders as 8-bit PNGs; 16-bit (0..32768) and float (0..1) renders as 16-bit PNGs.
PngImage ToPng(const UnitImage& u, PF_PixelFormat format) {
    PngImage png;
    png.width = u.width;
    png.height = u.height;
    png.bitDepth = format == PF_PixelFormat_ARGB32 ? 8 : 16;
    png.samples.resize(u.v.size());
    const double max = png.MaxValue();
    for (int y = 0; y < u.height; ++y) {
        for (int x = 0; x < u.width; ++x) {
            const int channels[4] = {1, 2, 3, 0};  // PNG order red, green, blue, alpha
            for (int c = 0; c < 4; ++c) {
                const double v = std::min(1.0, std::max(0.0, u.At(x, y, channels[c])));
                png.At(x, y, c) = static_cast<uint16_t>(std::lround(v * max));
            }
        }
    }
    return png;
}

struct Difference {
    double max = 0;
    int differing = 0;
    int firstX = -1, firstY = -1;
};

Difference Compare(const UnitImage& u, const PngImage& ref) {
    Difference d;
    const int channels[4] = {1, 2, 3, 0};
    for (int y = 0; y < u.height; ++y) {
        for (int x = 0; x < u.width; ++x) {
            double pixelMax = 0;
            for (int c = 0; c < 4; ++c) {
                const double r = static_cast<double>(ref.At(x, y, c)) / ref.MaxValue();
                pixelMax = std::max(pixelMax, std::abs(u.At(x, y, channels[c]) - r));
            }
            d.max = std::max(d.max, pixelMax);
            if (pixelMax > kDifferenceThreshold && d.differing++ == 0) {
                d.firstX = x;
                d.firstY = y;
            }
        }
    }
    return d;
}

class ReferenceFrames : public WholeFrameTest {
protected:
    void SetUp() override {
        WholeFrameTest::SetUp();
        CentredLayer(kWidth, kHeight);
        Values().SetFloat(Index(ParamId::DotSize), 20);
        Values().SetPopup(Index(ParamId::DistanceBetween), kDistanceCenters);
        Values().SetFloat(Index(ParamId::DotDistanceX), 24);
        Values().SetFloat(Index(ParamId::DotDistanceY), 24);
    }

    UnitImage RenderFrame(const ReferenceFrame& frame, PF_PixelFormat format) {
        Values().SetPopup(Index(ParamId::DotShape), frame.shape);
        Values().SetAngle(Index(ParamId::DotRotation), frame.rotation);
        Values().SetFloat(Index(ParamId::DotAspect), frame.aspect);
        Image input(format, kWidth, kHeight);
        PaintHorizontalRamp(input, {255, 20, 30, 60}, {255, 60, 90, 140});
        std::unique_ptr<Image> output = Render(input);
        return output ? ToUnit(*output) : UnitImage{};
    }
};

TEST_F(ReferenceFrames, EveryShapeRotationAndDepthMatchesItsReference) {
    const char* update = std::getenv("TONEDOT_UPDATE_REFERENCES");
    const bool updating = update && *update && std::string(update) != "0";
    for (const ReferenceFrame& frame : kFrames) {
        for (PF_PixelFormat format : kDepths) {
            const UnitImage fresh = RenderFrame(frame, format);
            ASSERT_EQ(fresh.width, kWidth);
            const std::string path = ReferencePath(frame.name, format);
            if (updating) {
                EXPECT_EQ(WritePng(path, ToPng(fresh, format)), "");
                continue;
            }
            PngImage ref;
            const std::string error = ReadPng(path, ref);
            ASSERT_EQ(error, "") << "run scripts/update-references.sh to make the references";
            ASSERT_EQ(ref.width, kWidth) << path;
            ASSERT_EQ(ref.height, kHeight) << path;
            const Difference d = Compare(fresh, ref);
            EXPECT_LE(d.max, kMaxDifference) << path;
            EXPECT_LE(d.differing, kMaxDifferingShare * kWidth * kHeight)
                << path << ": first differing pixel " << d.firstX << "," << d.firstY;
        }
    }
}

// Overlapping dotted stars (both fill paths' sample grids, the "over" rule between
// dots, the transfer onto the source) agree across depths within what each depth's integer
// arithmetic can lose: the 8-bit writer truncates alpha and weights to whole 1/255 steps and
// divides by 256 for 255, so it may lie a few steps off the float render; 16-bit does the
// same with steps of 1/32768.
TEST_F(ReferenceFrames, TheThreeDepthsOfOneFrameAgreeWithinRounding) {
    Values().SetFloat(Index(ParamId::DotSize), 34);
    Values().SetFloat(Index(ParamId::DotOpacity), 60);
    const ReferenceFrame frame = {"overlap", 5, 30, 0};
    const UnitImage f8 = RenderFrame(frame, PF_PixelFormat_ARGB32);
    const UnitImage f16 = RenderFrame(frame, PF_PixelFormat_ARGB64);
    const UnitImage f32 = RenderFrame(frame, PF_PixelFormat_ARGB128);
    ASSERT_EQ(f8.v.size(), f32.v.size());
    ASSERT_EQ(f16.v.size(), f32.v.size());
    double max8 = 0, max16 = 0, dotted = 0;
    for (size_t i = 0; i < f32.v.size(); ++i) {
        max8 = std::max(max8, std::abs(f8.v[i] - f32.v[i]));
        max16 = std::max(max16, std::abs(f16.v[i] - f32.v[i]));
    }
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) dotted += f32.At(x, y, 1) > 0.5 ? 1 : 0;
    ASSERT_GT(dotted, 500) << "the dots show";
    EXPECT_LE(max8, 4.0 / 255);
    EXPECT_LE(max16, 4.0 / 32768);
}

}  // namespace
}  // namespace tonedot::test
