// The dot pixel writer per depth: hand-worked cases and agreement between the depths.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include "render/raster/PixelWriter.h"

using namespace Render;

namespace {

template <class P>
P Written(P dst, int count, const P& color) {
    PixelWriter<P> writer(color);
    writer.Write(dst, count);
    return dst;
}

TEST(PixelWriter8, FullCoverageOfAnOpaqueDotReplacesThePixel) {
    const Pixel8 out = Written(Pixel8{200, 10, 20, 30}, 64, Pixel8{255, 1, 2, 3});
    EXPECT_EQ(out.alpha, 255);
    EXPECT_EQ(out.red, 1);
    EXPECT_EQ(out.green, 2);
    EXPECT_EQ(out.blue, 3);
}

TEST(PixelWriter8, HalfCoverageOverTransparentTruncatesTheAlpha) {
    const Pixel8 out = Written(Pixel8{0, 99, 99, 99}, 32, Pixel8{255, 40, 50, 60});
    EXPECT_EQ(out.alpha, 127);  // trunc(127.5)
    EXPECT_EQ(out.red, 40);
    EXPECT_EQ(out.green, 50);
    EXPECT_EQ(out.blue, 60);
}

TEST(PixelWriter8, HalfOpaqueDotOverOpaquePixelUsesShiftedWeights) {
    const Pixel8 out = Written(Pixel8{255, 10, 255, 0}, 64, Pixel8{128, 200, 0, 255});
    // a = 128, k = (127 * 255) >> 8 = 126, alpha 254.
    EXPECT_EQ(out.alpha, 254);
    EXPECT_EQ(out.red, (200 * 128 + 10 * 126) / 254);
    EXPECT_EQ(out.green, (0 * 128 + 255 * 126) / 254);
    EXPECT_EQ(out.blue, (255 * 128 + 0 * 126) / 254);
}

TEST(PixelWriter8, CoverageTooSmallForOneAlphaStepLeavesThePixel) {
    const Pixel8 before{77, 1, 2, 3};
    const Pixel8 out = Written(before, 1, Pixel8{63, 200, 200, 200});  // trunc(63 / 64) = 0
    EXPECT_EQ(out.alpha, 77);
    EXPECT_EQ(out.red, 1);
    const Pixel8 untouched = Written(Pixel8{0, 5, 6, 7}, 0, Pixel8{255, 200, 200, 200});
    EXPECT_EQ(untouched.alpha, 0);
    EXPECT_EQ(untouched.red, 5);
}

TEST(PixelWriter16, SameRulesOnTheFifteenBitScale) {
    const Pixel16 full = Written(Pixel16{100, 1, 2, 3}, 64, Pixel16{32768, 32768, 0, 12345});
    EXPECT_EQ(full.alpha, 32768);
    EXPECT_EQ(full.red, 32768);
    EXPECT_EQ(full.blue, 12345);

    const Pixel16 half = Written(Pixel16{0, 0, 0, 0}, 32, Pixel16{32768, 1000, 2000, 3000});
    EXPECT_EQ(half.alpha, 16384);
    EXPECT_EQ(half.green, 2000);

    // a = 16384, k = (16384 * 32768) >> 15 = 16384: the largest channel products of the depth.
    const Pixel16 over = Written(Pixel16{32768, 32768, 0, 32767}, 64, Pixel16{16384, 32768, 32768, 1});
    EXPECT_EQ(over.alpha, 32768);
    EXPECT_EQ(over.red, 32768);
    EXPECT_EQ(over.green, 16384);
    EXPECT_EQ(over.blue, (1 * 16384 + 32767 * 16384) / 32768);

    const Pixel16 tiny = Written(Pixel16{500, 9, 9, 9}, 1, Pixel16{63, 0, 0, 0});
    EXPECT_EQ(tiny.alpha, 500);
    EXPECT_EQ(tiny.red, 9);
}

TEST(PixelWriter32, FloatNeitherClampsNorRounds) {
    const Pixel32 half = Written(Pixel32{0.0f, 0.0f, 0.0f, 0.0f}, 32, Pixel32{1.0f, 0.25f, 0.5f, 0.75f});
    EXPECT_FLOAT_EQ(half.alpha, 0.5f);
    EXPECT_FLOAT_EQ(half.red, 0.25f);

    const Pixel32 over = Written(Pixel32{1.0f, 0.2f, 0.0f, 1.0f}, 32, Pixel32{1.0f, 1.5f, -0.5f, 1.0f});
    EXPECT_FLOAT_EQ(over.alpha, 1.0f);        // 0.5 + (1 - 0.5) * 1
    EXPECT_FLOAT_EQ(over.red, 0.85f);         // (1.5 * 0.5 + 0.2 * 0.5) / 1
    EXPECT_FLOAT_EQ(over.green, -0.25f);      // out-of-range colour passes through
    EXPECT_FLOAT_EQ(over.blue, 1.0f);

    const Pixel32 skipped = Written(Pixel32{0.3f, 0.1f, 0.1f, 0.1f}, 0, Pixel32{1.0f, 1.0f, 1.0f, 1.0f});
    EXPECT_FLOAT_EQ(skipped.alpha, 0.3f);
}

TEST(PixelWriter, TheThreeDepthsAgreeWithinRounding) {
    std::mt19937 rng(31337);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const int count = static_cast<int>(rng() % 65);
        const double dot[4] = {unit(rng), unit(rng), unit(rng), unit(rng)};
        const double old[4] = {i % 4 == 0 ? 0.0 : unit(rng), unit(rng), unit(rng), unit(rng)};
        auto to8 = [](const double* v) {
            return Pixel8{static_cast<A_u_char>(std::lround(v[0] * 255)), static_cast<A_u_char>(std::lround(v[1] * 255)),
                          static_cast<A_u_char>(std::lround(v[2] * 255)), static_cast<A_u_char>(std::lround(v[3] * 255))};
        };
        auto to16 = [](const double* v) {
            return Pixel16{static_cast<A_u_short>(std::lround(v[0] * 32768)), static_cast<A_u_short>(std::lround(v[1] * 32768)),
                           static_cast<A_u_short>(std::lround(v[2] * 32768)), static_cast<A_u_short>(std::lround(v[3] * 32768))};
        };
        auto to32 = [](const double* v) {
            return Pixel32{static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]), static_cast<float>(v[3])};
        };
        const Pixel8 p8 = Written(to8(old), count, to8(dot));
        const Pixel16 p16 = Written(to16(old), count, to16(dot));
        const Pixel32 p32 = Written(to32(old), count, to32(dot));
        // Alpha may differ by the truncations of a and k on the 8-bit scale.
        ASSERT_NEAR(p8.alpha / 255.0, p32.alpha, 3.5 / 255) << i;
        ASSERT_NEAR(p16.alpha / 32768.0, p32.alpha, 3.0 / 32768) << i;
        if (p32.alpha < 0.2f) continue;  // colour of nearly transparent pixels is ill-conditioned
        ASSERT_NEAR(p8.red / 255.0, p32.red, 6.0 / 255) << i;
        ASSERT_NEAR(p16.green / 32768.0, p32.green, 6.0 / 32768) << i;
        ASSERT_NEAR(p8.blue / 255.0, p32.blue, 6.0 / 255) << i;
    }
}

TEST(PixelWriter, RunsWriteEveryPixelOfTheRun) {
    Pixel8 row[5] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    PixelWriter<Pixel8> writer(Pixel8{255, 9, 8, 7});
    writer.WriteRun(row + 1, 3, 64);
    EXPECT_EQ(row[0].alpha, 0);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(row[i].alpha, 255);
    EXPECT_EQ(row[4].alpha, 0);
}

}  // namespace
