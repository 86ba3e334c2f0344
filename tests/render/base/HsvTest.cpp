// The HSV conversions in the three depths, against a reference written from the hexcone
// definition.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include "render/base/Hsv.h"

using namespace Render;

namespace {

// A reference conversion written from the hexcone definition rather than the sector walk.
Hsv ReferenceRgbToHsv(double r, double g, double b) {
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    if (mx == mn) return {0.0, 0.0, mx};
    const double c = mx - mn;
    const double rc = (mx - r) / c, gc = (mx - g) / c, bc = (mx - b) / c;
    double h = r == mx ? bc - gc : g == mx ? 2.0 + rc - bc : 4.0 + gc - rc;
    h = std::fmod(h / 6.0, 1.0);
    if (h < 0) h += 1.0;
    return {h, c / mx, mx};
}

void ReferenceHsvToRgb(double h, double s, double v, double out[3]) {
    const int ns[3] = {5, 3, 1};
    for (int i = 0; i < 3; ++i) {
        const double k = std::fmod(ns[i] + h * 6.0, 6.0);
        out[i] = v - v * s * std::max(0.0, std::min({k, 4.0 - k, 1.0}));
    }
}

double HueDistance(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, 1.0 - d);
}

TEST(Hsv, WorkedValues) {
    Hsv h = RgbToHsv(1, 0, 0);
    EXPECT_EQ(h.h, 0.0);
    EXPECT_EQ(h.s, 1.0);
    EXPECT_EQ(h.v, 1.0);
    h = RgbToHsv(0.5, 0.5, 0.5);
    EXPECT_EQ(h.h, 0.0);
    EXPECT_EQ(h.s, 0.0);
    EXPECT_EQ(h.v, 0.5);
    h = RgbToHsv(0, 0, 0);
    EXPECT_EQ(h.h, 0.0);
    EXPECT_EQ(h.s, 0.0);
    EXPECT_EQ(h.v, 0.0);
    h = RgbToHsv(1, 0, 1);  // magenta: red is the maximum, (g - b) / delta = -1, wrapped up
    EXPECT_EQ(h.h, -1 * 0.166666666666667 + 1.0);
    h = RgbToHsv(0, 0.5, 1);  // blue is the maximum: (r - g) / delta + 4 = 3.5
    EXPECT_EQ(h.h, 3.5 * 0.166666666666667);

    const Pixel8 cyan = HsvToRgb<Pixel8>(0.5, 1, 1);
    EXPECT_EQ(cyan.alpha, 255);
    EXPECT_EQ(cyan.red, 0);
    EXPECT_EQ(cyan.green, 255);
    EXPECT_EQ(cyan.blue, 255);
    const Pixel16 c16 = HsvToRgb<Pixel16>(0.75, 1, 1);  // sector 4, f = 0.5
    EXPECT_EQ(c16.alpha, 32768);
    EXPECT_EQ(c16.red, 16384);
    EXPECT_EQ(c16.green, 0);
    EXPECT_EQ(c16.blue, 32768);
    const Pixel32 cf = HsvToRgb<Pixel32>(1.0 / 3.0, 0.5, 0.8);
    EXPECT_EQ(cf.alpha, 1.0f);
    EXPECT_NEAR(cf.red, 0.4f, 1e-6);
    EXPECT_NEAR(cf.green, 0.8f, 1e-6);
    EXPECT_NEAR(cf.blue, 0.4f, 1e-6);
    // A hue above 1 uses its fraction; a negative hue gives black.
    const Pixel8 wrapped = HsvToRgb<Pixel8>(2.5, 1, 1);
    EXPECT_EQ(wrapped.green, 255);
    EXPECT_EQ(wrapped.red, 0);
    const Pixel8 negative = HsvToRgb<Pixel8>(-0.25, 1, 1);
    EXPECT_EQ(negative.alpha, 255);
    EXPECT_EQ(negative.red + negative.green + negative.blue, 0);
    const Pixel8 nan = HsvToRgb<Pixel8>(std::nan(""), 1, 1);
    EXPECT_EQ(nan.red + nan.green + nan.blue, 0);
}

TEST(Hsv, WrapHue) {
    EXPECT_DOUBLE_EQ(WrapHue(0.25), 0.25);
    EXPECT_DOUBLE_EQ(WrapHue(1.25), 0.25);
    EXPECT_DOUBLE_EQ(WrapHue(1.0), 0.0);
    EXPECT_DOUBLE_EQ(WrapHue(-0.25), 0.75);
    EXPECT_DOUBLE_EQ(WrapHue(-1.25), 0.75);
    EXPECT_DOUBLE_EQ(WrapHue(-0.0), 0.0);
}

TEST(Hsv, ConversionsAgreeWithReferenceOverDenseSample) {
    const int steps = 48;
    for (int ri = 0; ri <= steps; ++ri) {
        for (int gi = 0; gi <= steps; ++gi) {
            for (int bi = 0; bi <= steps; ++bi) {
                const double r = double(ri) / steps, g = double(gi) / steps, b = double(bi) / steps;
                const Hsv got = RgbToHsv(r, g, b);
                const Hsv ref = ReferenceRgbToHsv(r, g, b);
                ASSERT_NEAR(got.v, ref.v, 1e-12);
                ASSERT_NEAR(got.s, ref.s, 1e-12);
                if (ref.s > 0) {
                    ASSERT_NEAR(HueDistance(got.h, ref.h), 0.0, 1e-12) << r << g << b;
                }
                ASSERT_GE(got.h, 0.0);
                ASSERT_LT(got.h, 1.0);

                double back[3];
                ReferenceHsvToRgb(got.h, got.s, got.v, back);
                const Pixel32 f = HsvToRgb<Pixel32>(got.h, got.s, got.v);
                ASSERT_NEAR(f.red, back[0], 1e-6);
                ASSERT_NEAR(f.green, back[1], 1e-6);
                ASSERT_NEAR(f.blue, back[2], 1e-6);
                ASSERT_NEAR(f.red, r, 1e-6);
                ASSERT_NEAR(f.green, g, 1e-6);
                ASSERT_NEAR(f.blue, b, 1e-6);
            }
        }
    }
}

TEST(Hsv, IntegerRoundTripsAreExact) {
    using T8 = PixelTraits<Pixel8>;
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 3) {
            for (int b = 0; b < 256; b += 3) {
                const Hsv h = RgbToHsv(T8::ToUnit(r), T8::ToUnit(g), T8::ToUnit(b));
                const Pixel8 back = HsvToRgb<Pixel8>(h.h, h.s, h.v);
                ASSERT_EQ(back.red, r);
                ASSERT_EQ(back.green, g);
                ASSERT_EQ(back.blue, b);
                ASSERT_EQ(back.alpha, 255);
            }
        }
    }
    using T16 = PixelTraits<Pixel16>;
    for (int r = 0; r <= 32768; r += 1031) {
        for (int g = 0; g <= 32768; g += 1361) {
            for (int b = 0; b <= 32768; b += 1523) {
                const Hsv h = RgbToHsv(T16::ToUnit(r), T16::ToUnit(g), T16::ToUnit(b));
                const Pixel16 back = HsvToRgb<Pixel16>(h.h, h.s, h.v);
                ASSERT_NEAR(back.red, r, 1);
                ASSERT_NEAR(back.green, g, 1);
                ASSERT_NEAR(back.blue, b, 1);
            }
        }
    }
}

}  // namespace
