// Blend modes in the three depths.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include "look/Choices.h"
#include "render/effectors/ColorBlend.h"

using namespace Look;
using namespace Render;

namespace {

template <class P>
P Make(double a, double r, double g, double b) {
    P p;
    p.alpha = static_cast<typename PixelTraits<P>::Channel>(a);
    p.red = static_cast<typename PixelTraits<P>::Channel>(r);
    p.green = static_cast<typename PixelTraits<P>::Channel>(g);
    p.blue = static_cast<typename PixelTraits<P>::Channel>(b);
    return p;
}

// The red channel of BlendPixel with a grey base p and grey blend q.
template <class P>
double Blend1(double p, double q, int32_t mode, double blendAlpha, double baseAlpha) {
    const P base = Make<P>(baseAlpha, p, p, p);
    const P blend = Make<P>(blendAlpha, q, q, q);
    P result = base;
    BlendPixel(result, base, blend, mode);
    EXPECT_EQ(result.alpha, base.alpha);
    EXPECT_EQ(result.red, result.green);
    EXPECT_EQ(result.red, result.blue);
    return result.red;
}

double Blend8(int p, int q, int32_t mode, int a = 255, int ab = 255) {
    return Blend1<Pixel8>(p, q, mode, a, ab);
}
double Blend16(int p, int q, int32_t mode, int a = 32768, int ab = 32768) {
    return Blend1<Pixel16>(p, q, mode, a, ab);
}
double BlendF(float p, float q, int32_t mode, float a = 1.0f, float ab = 1.0f) {
    return Blend1<Pixel32>(p, q, mode, a, ab);
}

TEST(BlendModeFromPopup, EachChoiceLineGivesTheModeItNames) {
    const std::map<std::string, int32_t> modeOf = {
        {"Normal", kBlendNormal},       {"(-", kBlendNormal},          {"Add", kBlendAdd},
        {"Substract", kBlendSubtract},  {"Multiply", kBlendMultiply},  {"Screen", kBlendScreen},
        {"Overlay", kBlendOverlay},     {"Hard Light", kBlendHardLight},
        {"Soft Light", kBlendSoftLight}, {"Darken", kBlendDarken},     {"Lighten", kBlendLighten},
        {"Difference", kBlendDifference}, {"Exclusion", kBlendExclusion}};
    std::istringstream lines(kBlendModeChoices);
    std::string line;
    int32_t value = 0;
    while (std::getline(lines, line, '|')) {
        ++value;
        ASSERT_EQ(modeOf.count(line), 1u) << line;
        EXPECT_EQ(BlendModeFromPopup(value), modeOf.at(line)) << value << " " << line;
    }
    EXPECT_EQ(value, 14);
    for (int32_t unknown : {0, 15, -3}) EXPECT_EQ(BlendModeFromPopup(unknown), kBlendNormal);
}

TEST(BlendPixel, TransparentBlendColourKeepsBaseInEveryModeAndDepth) {
    for (int32_t mode = 1; mode <= 13; ++mode) {
        const Pixel8 b8 = Make<Pixel8>(200, 10, 120, 250);
        Pixel8 r8 = b8;
        BlendPixel(r8, b8, Make<Pixel8>(0, 255, 0, 77), mode);
        EXPECT_EQ(r8.red, 10);
        EXPECT_EQ(r8.green, 120);
        EXPECT_EQ(r8.blue, 250);

        const Pixel16 b16 = Make<Pixel16>(32768, 1, 16384, 32768);
        Pixel16 r16 = b16;
        BlendPixel(r16, b16, Make<Pixel16>(0, 32768, 0, 5), mode);
        EXPECT_EQ(r16.red, 1);
        EXPECT_EQ(r16.green, 16384);
        EXPECT_EQ(r16.blue, 32768);

        const Pixel32 bf = Make<Pixel32>(1, 0.25, 0.5, 0.75);
        Pixel32 rf = bf;
        BlendPixel(rf, bf, Make<Pixel32>(0, 1, 0, 1), mode);
        EXPECT_EQ(rf.red, 0.25f);
        EXPECT_EQ(rf.green, 0.5f);
        EXPECT_EQ(rf.blue, 0.75f);
    }
}

TEST(BlendPixel, ModesOutsideRangeLeaveResultUntouchedAndCopyModeCopies) {
    const Pixel8 base = Make<Pixel8>(255, 10, 20, 30);
    const Pixel8 blend = Make<Pixel8>(128, 200, 100, 50);
    for (int32_t mode : {0, 14, -1, 100}) {
        Pixel8 result = Make<Pixel8>(9, 9, 9, 9);
        BlendPixel(result, base, blend, mode);
        EXPECT_EQ(result.alpha, 9);
        EXPECT_EQ(result.red, 9);
        EXPECT_EQ(result.blue, 9);
    }
    Pixel8 result = base;
    BlendPixel(result, base, blend, 13);
    EXPECT_EQ(result.alpha, 255);
    EXPECT_EQ(result.red, 200);
    EXPECT_EQ(result.green, 100);
    EXPECT_EQ(result.blue, 50);
}

TEST(BlendPixel, EightBitWorkedValues) {
    struct Case {
        int p, q;
        int32_t mode;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {10, 255, kBlendAdd, 255, "limited to 255"},
        {0, 255, kBlendAdd, 254, "the alpha weighting divides by 256"},
        {100, 200, kBlendSubtract, 0, "limited to 0"},
        {250, 200, kBlendSubtract, 51, "250 - 199"},
        {200, 255, kBlendMultiply, 199, "(255 * 200) >> 8"},
        {100, 50, kBlendScreen, 129, "(205 * -155 + 65025) >> 8 = 33250 >> 8"},
        {100, 50, kBlendDarken, 50, ""},
        {100, 50, kBlendLighten, 100, ""},
        {50, 100, kBlendDifference, 50, ""},
        {100, 50, kBlendExclusion, 110, "(205 * 100 + 155 * 50) >> 8 = 28250 >> 8"},
        // Soft Light: trunc(SoftLight(p / 255, q / 255) * 255).
        {128, 255, kBlendSoftLight, 180, "180.67"},
        {100, 50, kBlendSoftLight, 63, "63.05"},
        {20, 200, kBlendSoftLight, 44, "dark base: the (3 - 8d) branch, 44.87"},
        {85, 114, kBlendSoftLight, 79, "exactly 79 with p / 255; p * (1 / 255) gives 78"},
        {255, 255, kBlendSoftLight, 255, ""},
        {0, 255, kBlendSoftLight, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Blend8(c.p, c.q, c.mode), c.expected)
            << "mode " << c.mode << ", p " << c.p << ", q " << c.q << ": " << c.why;
    }
}

TEST(BlendPixel, OverlayAndHardLightAtHalfCountAsHighIn8BitAndLowIn16Bit) {
    // 8-bit: a channel of 128 takes the high branch.
    EXPECT_EQ(Blend8(128, 100, 6), 102);
    EXPECT_EQ(Blend8(127, 100, 6), 99);    // (100 * 127) >> 7
    EXPECT_EQ(Blend8(100, 128, 7), 102);   // Hard Light switches on the blend channel
    EXPECT_EQ(Blend8(100, 127, 7), 99);
    EXPECT_EQ(Blend8(128, 100, 7), 100);   // base 128 does not switch Hard Light
    // 16-bit: 16384 takes the low branch, 16385 the high one.
    EXPECT_EQ(Blend16(16384, 10000, 6), 10000);
    EXPECT_EQ(Blend16(16385, 10000, 6), 10002);
    EXPECT_EQ(Blend16(10000, 16385, 7), 10002);
    EXPECT_EQ(Blend16(20000, 8000, 6), 32768 - ((12768 * 24768) >> 14));
    EXPECT_EQ(Blend16(20000, 8000, 7), (20000 * 8000) >> 14);
    // Float: half is low for both.
    EXPECT_FLOAT_EQ(BlendF(0.5f, 0.3f, 6), 0.3f);
    EXPECT_FLOAT_EQ(BlendF(0.3f, 0.5f, 7), 0.3f);
    EXPECT_FLOAT_EQ(BlendF(0.75f, 0.5f, 6), 0.75f);  // 1 - 2 * 0.5 * 0.25
    // Overlay is limited to 1 in float, Hard Light is not limited.
    EXPECT_FLOAT_EQ(BlendF(1.5f, 0.9f, 6), 1.0f);
    EXPECT_FLOAT_EQ(BlendF(0.9f, 1.5f, 7), 1.0f - 2.0f * 0.1f * -0.5f);
}

TEST(BlendPixel, AddAndSubtractWithPartialAlphaSkipTheAlphaMix) {
    // 8-bit A = 128: the blend channel counts at half strength, no mix with the base after.
    EXPECT_EQ(Blend8(50, 200, 2, 128), 150);
    EXPECT_EQ(Blend8(200, 200, 2, 128), 255);
    EXPECT_EQ(Blend8(150, 200, 3, 128), 50);
    EXPECT_EQ(Blend8(50, 200, 3, 128), 0);
    // A translucent base alpha does not enter Add or Subtract.
    EXPECT_EQ(Blend8(50, 200, 2, 128, 10), 150);
    // 16-bit A = 16384.
    EXPECT_EQ(Blend16(10000, 32768, 2, 16384), 26384);
    EXPECT_EQ(Blend16(20000, 32768, 2, 16384), 32768);
    EXPECT_EQ(Blend16(20000, 32768, 3, 16384), 3616);
    EXPECT_EQ(Blend16(16384, 32768, 3, 16384), 0);  // k == p gives 0
    EXPECT_FLOAT_EQ(BlendF(0.25f, 1.0f, 2, 0.5f), 0.75f);
    EXPECT_FLOAT_EQ(BlendF(0.75f, 1.0f, 2, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(BlendF(0.75f, 1.0f, 3, 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(BlendF(0.25f, 1.0f, 3, 0.5f), 0.0f);
}

TEST(BlendPixel, TranslucentBlendMixesAgainstBaseAlpha) {
    // e = (127 * 255) >> 8 = 126; (x * 128 + p * 126) / 254.
    EXPECT_EQ(Blend8(100, 200, 1, 128), (200 * 128 + 100 * 126) / 254);
    EXPECT_EQ(Blend8(100, 50, 4, 128), (19 * 128 + 100 * 126) / 254);
    // A transparent base gives the blended channel alone.
    EXPECT_EQ(Blend8(100, 200, 1, 128, 0), 200);
    // 16-bit: e = ((32768 - A) * Ab) >> 15.
    EXPECT_EQ(Blend16(10000, 30000, 1, 8192, 32768), (30000 * 8192 + 10000 * 24576) / 32768);
    EXPECT_EQ(Blend16(10000, 30000, 1, 8192, 16384), (30000 * 8192 + 10000 * 12288) / 20480);
    EXPECT_FLOAT_EQ(BlendF(0.2f, 0.8f, 1, 0.25f, 0.5f), (0.8f * 0.25f + 0.2f * 0.375f) / 0.625f);
}

TEST(BlendPixel, SixteenBitProductsAtTheTopOfTheRange) {
    EXPECT_EQ(Blend16(32768, 32768, 4), 32768);
    EXPECT_EQ(Blend16(32768, 32767, 4), 32767);
    EXPECT_EQ(Blend16(32768, 32768, 5), 32768);
    EXPECT_EQ(Blend16(0, 32768, 5), 32768);
    EXPECT_EQ(Blend16(32768, 32768, 6), 32768);
    EXPECT_EQ(Blend16(32768, 32768, 7), 32768);
    EXPECT_EQ(Blend16(32768, 32768, 12), 0);
    EXPECT_EQ(Blend16(32768, 0, 12), 32768);
    EXPECT_EQ(Blend16(32768, 32768, 8), 32768);
    EXPECT_EQ(Blend16(16384, 32768, 8), 23170);
    EXPECT_EQ(Blend16(32768, 32768, 2), 32768);
    EXPECT_EQ(Blend16(32768, 0, 11), 32768);
    // The mix with an almost opaque blend colour over full channels stays at full.
    EXPECT_EQ(Blend16(32768, 32768, 4, 32767), 32768);
    EXPECT_EQ(Blend16(32768, 32768, 1, 32767), 32768);
}

// Every mode agrees between the depths to within the integer forms' rounding.
TEST(BlendPixel, DepthsAgreeOnAGridOfColours) {
    const int values[] = {0, 1, 37, 64, 100, 127, 128, 129, 180, 220, 254, 255};
    const int alphas[] = {255, 200, 128, 30};
    for (int32_t mode = 1; mode <= 12; ++mode) {
        for (int p : values) {
            for (int q : values) {
                for (int a : alphas) {
                    const double f = BlendF(p / 255.0f, q / 255.0f, mode, a / 255.0f);
                    const double b8 = Blend8(p, q, mode, a) / 255.0;
                    const auto to16 = [](int v) { return PixelTraits<Pixel16>::FromByte(v); };
                    const double b16 =
                        Blend16(to16(p), to16(q), mode, to16(a)) / 32768.0;
                    EXPECT_NEAR(b8, f, 4.5 / 255) << "mode " << mode << " p " << p << " q " << q
                                                  << " a " << a;
                    EXPECT_NEAR(b16, f, 0.002) << "mode " << mode << " p " << p << " q " << q
                                               << " a " << a;
                }
            }
        }
    }
}

TEST(BlendPixel, ResultMayAliasBase) {
    Pixel16 px = Make<Pixel16>(32768, 30000, 20000, 10000);
    BlendPixel(px, px, Make<Pixel16>(32768, 1000, 2000, 3000), 11);
    EXPECT_EQ(px.red, 29000);
    EXPECT_EQ(px.green, 18000);
    EXPECT_EQ(px.blue, 7000);
    EXPECT_EQ(px.alpha, 32768);
}

TEST(SoftLight, Branches) {
    EXPECT_DOUBLE_EQ(SoftLight(0.5, 0.25), 0.5 + 0.25 * -0.5);
    EXPECT_DOUBLE_EQ(SoftLight(0.1, 0.75), 0.1 + (0.1 - 0.01) * 0.5 * (3 - 0.8));
    EXPECT_DOUBLE_EQ(SoftLight(0.25, 0.75), 0.25 + (0.5 - 0.25) * 0.5);
    EXPECT_DOUBLE_EQ(SoftLight(0.3, 0.5), 0.3);
    EXPECT_DOUBLE_EQ(SoftLight(0.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(SoftLight(1.0, 0.0), 1.0);
}

TEST(LimitToFull, BringsChannelsIntoRange) {
    Pixel16 p = Make<Pixel16>(65535, 32769, 32768, 100);
    LimitToFull(p);
    EXPECT_EQ(p.alpha, 32768);
    EXPECT_EQ(p.red, 32768);
    EXPECT_EQ(p.green, 32768);
    EXPECT_EQ(p.blue, 100);
    Pixel32 f = Make<Pixel32>(2, 1.5, -0.5, 0.25);
    LimitToFull(f);
    EXPECT_EQ(f.alpha, 1.0f);
    EXPECT_EQ(f.red, 1.0f);
    EXPECT_EQ(f.green, -0.5f);
    EXPECT_EQ(f.blue, 0.25f);
}

}  // namespace
