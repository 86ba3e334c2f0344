#include <gtest/gtest.h>

#include <climits>

#include "render/layout/DotRandom.h"

using namespace Render;

namespace {

uint32_t StepBy(uint32_t x, int times)
{
    for (int i = 0; i < times; ++i) x = (x * 2061u + 7u) % 65536u;
    return x;
}

}  // namespace

TEST(DotRandom, DrawsFollowTheGenerator)
{
    DotRandom r(0);
    EXPECT_EQ(r.Next(), 7u);
    EXPECT_EQ(r.Next(), (7u * 2061u + 7u) % 65536u);
    DotRandom d(65535);
    const uint32_t next = (65535u * 2061u + 7u) % 65536u;
    const double value = d.Draw(0.5);
    EXPECT_EQ(value, (1.0 * next) / 65536.0 - 0.5);
    EXPECT_GE(value, -0.5);
    EXPECT_LT(value, 0.5);
    DotRandom z(123);
    EXPECT_EQ(z.Draw(0), 0.0);  // amount 0 never moves anything, but still draws
    EXPECT_EQ(z.State(), StepBy(123, 1));
}

TEST(DotRandom, SkipEqualsRepeatedSteps)
{
    for (uint32_t start : {0u, 1u, 23u, 40000u, 65535u}) {
        for (uint64_t k : {0ull, 1ull, 2ull, 9ull, 17ull, 1000ull, 65535ull, 65536ull, 65537ull, 123457ull}) {
            DotRandom a(start), b(start);
            for (uint64_t i = 0; i < k; ++i) a.Next();
            b.Skip(k);
            EXPECT_EQ(a.State(), b.State()) << start << " skip " << k;
        }
    }
    // The generator has full period, so counts that wrapped in 64 bits still agree.
    DotRandom a(99), b(99);
    a.Skip(UINT64_MAX);
    b.Skip(65535);
    EXPECT_EQ(a.State(), b.State());
}

TEST(DotRandom, SeedWithoutInterval)
{
    EXPECT_EQ(DotRandom::Seeded(23, 0, 0, 100, 1).State(), StepBy(23, 3));
    EXPECT_EQ(DotRandom::Seeded(0, 0, 0, 0, 1).State(), 0u);
    EXPECT_EQ(DotRandom::Seeded(70000, 0, 0, 0, 1).State(), StepBy(70000 % 65536, 0));
    EXPECT_EQ(DotRandom::Seeded(70009, 0, 0, 0, 1).State(), StepBy(70009 % 65536, 9));
    // Without an interval the time does not matter.
    EXPECT_EQ(DotRandom::Seeded(5, 0, 3, 1, 1).State(), DotRandom::Seeded(5, 0, 3, 999, 1).State());
    // A zero time step never divides.
    EXPECT_EQ(DotRandom::Seeded(5, 2, 0, 100, 0).State(), StepBy(5, 5));
}

TEST(DotRandom, SeedWithIntervalAndArray)
{
    // Interval 2, array 3, frame 7: k = (7 / 2) rem 3 = 0, the pattern of frame 0.
    EXPECT_EQ(DotRandom::Seeded(10, 2, 3, 7, 1).State(), DotRandom::Seeded(10, 2, 3, 0, 1).State());
    EXPECT_EQ(DotRandom::Seeded(10, 2, 3, 6, 1).State(), StepBy(10, 0));
    // Frames 2 and 3 have k = 1: seed 11, advanced once.
    EXPECT_EQ(DotRandom::Seeded(10, 2, 3, 2, 1).State(), StepBy(11, 1));
    EXPECT_EQ(DotRandom::Seeded(10, 2, 3, 3, 1).State(), StepBy(11, 1));
    // Without an array the pattern moves on every interval: frame 9 -> k = 4.
    EXPECT_EQ(DotRandom::Seeded(10, 2, 0, 9, 1).State(), StepBy(14, 4));
    // Host time in ticks: time 700 with step 100 is frame 7.
    EXPECT_EQ(DotRandom::Seeded(10, 2, 0, 700, 100).State(), StepBy(13, 3));
    // Negative times give a negative k that stays negative after the remainder:
    // frame -7, k = -3 rem 2 = -1, s = 9.
    EXPECT_EQ(DotRandom::Seeded(10, 2, 2, -7, 1).State(), StepBy(9, 9));
    // A negative sum keeps its low 16 bits and is not advanced.
    EXPECT_EQ(DotRandom::Seeded(0, 1, 0, -5, 1).State(), static_cast<uint32_t>(-5) & 0xFFFFu);
}

TEST(DotRandom, SeedArithmeticWrapsInsteadOfOverflowing)
{
    // INT_MAX + 1 wraps to INT_MIN (low 16 bits 0; remainder 8 is negative -> no advance).
    EXPECT_EQ(DotRandom::Seeded(INT32_MAX, 1, 0, 1, 1).State(), 0u);
    // INT_MIN / -1 does not trap.
    const DotRandom r = DotRandom::Seeded(3, -1, 0, INT32_MIN, -1);
    EXPECT_LT(r.State(), 65536u);
    EXPECT_EQ(DotRandom::Seeded(3, 1, -1, INT32_MIN, 1).State(), StepBy(3, 3));  // k rem -1 = 0
}
