#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <cstring>

#include "render/layout/RunningSum.h"

using namespace Render;

namespace {

double Loop(double x, double step, uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i) x = x + step;
    return x;
}

void ExpectSame(double x, double step, uint64_t count)
{
    const double expected = Loop(x, step, count);
    const double got = AdvanceRunningSum(x, step, count);
    ASSERT_EQ(std::memcmp(&expected, &got, sizeof got), 0)
        << std::hexfloat << "x " << x << " step " << step << " count " << count << " expected "
        << expected << " got " << got;
}

}  // namespace

TEST(RunningSum, ExactSumsAndSmallCounts)
{
    ExpectSame(0.0, 1.0, 0);
    ExpectSame(-5.0, 1.0, 10);
    ExpectSame(-32768.0, 30.0, 5000);
    ExpectSame(0.1, 0.1, 1);
    ExpectSame(-1000.3, 0.7 + 1, 3);
}

TEST(RunningSum, RoundedStepsAcrossBinadesAndZero)
{
    // Steps that are not exact on the grid, from far below zero to far above it.
    ExpectSame(-123456.789, 1.1, 300000);
    ExpectSame(-3000.0 - 1.0 / 3.0, 12.345678901, 1000);
    ExpectSame(-7.25, 0.2 + 1.0, 100);
    ExpectSame(1e-300, 1.0, 50);
}

TEST(RunningSum, TiesOnTheGridRoundToEven)
{
    // In [2^52, 2^53) the grid is 1, so a step of 2.5 is a tie at every addition.
    const double big = std::ldexp(1.0, 52);
    ExpectSame(big, 2.5, 100000);
    ExpectSame(big + 1, 2.5, 100000);  // odd start
    ExpectSame(big - 1000.5, 2.5, 100000);  // comes from the finer grid below
    ExpectSame(-2 * big + 1, 2.5, 100000);   // negative, towards zero
    ExpectSame(-big - 7, 1.5, 100000);
    ExpectSame(-big + 3.25, 3.5, 1000);      // crossing down into finer grids
    // Steps lost to rounding leave the sum where it is, also when the sum only gets there
    // on the way.
    ExpectSame(4 * big, 1.0, 1000);
    ExpectSame(2 * big - 10, 1.0, 20);
    ExpectSame(2 * big - 10.5, 1.0, 20);
    // Sums that stay exact: fixed-point starts with whole or dyadic steps.
    ExpectSame(-30000.0 + 1.0 / 65536, 0.5, 100000);
    ExpectSame(big - 100, 1.0, 99);
}

TEST(RunningSum, RandomStartsStepsAndCounts)
{
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> start(-5e6, 5e6), step(1.0, 700.0);
    std::uniform_int_distribution<int> count(0, 40000), exponent(-20, 60);
    for (int i = 0; i < 400; ++i) {
        double x = start(rng);
        double s = step(rng);
        if (i % 3 == 0) x = std::ldexp(x, exponent(rng) / 2);
        if (i % 5 == 0) s = std::ldexp(1.0, exponent(rng) / 4) * (1 + i % 7 * 0.5);
        if (!(s > 0)) continue;
        ExpectSame(x, s, static_cast<uint64_t>(count(rng)));
        if (HasFatalFailure()) return;
    }
}
