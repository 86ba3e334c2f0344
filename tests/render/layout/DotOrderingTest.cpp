#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/layout/DotOrdering.h"

using namespace Render;

namespace {

DotRecord<Pixel8> Dot(double x, double y, double key = -1)
{
    DotRecord<Pixel8> d{};
    d.key = key;
    d.x = x;
    d.y = y;
    d.width = d.height = 4;
    d.shape = 1;
    return d;
}

struct ProgressLog {
    std::vector<std::pair<A_long, A_long>> calls;
    size_t cancelAfter = SIZE_MAX;  // answer non-zero from this call on
    PF_Err cancelCode = PF_Interrupt_CANCEL;
};
ProgressLog* gLog = nullptr;

PF_Err RecordProgress(PF_ProgPtr, A_long current, A_long total)
{
    gLog->calls.push_back({current, total});
    return gLog->calls.size() > gLog->cancelAfter ? gLog->cancelCode : PF_Err_NONE;
}

}  // namespace

TEST(DotOrdering, ComparatorsAreStrict)
{
    const ReadingOrderLess reading;
    EXPECT_TRUE(reading(Dot(5, 1), Dot(0, 2)));   // upper row first
    EXPECT_TRUE(reading(Dot(0, 2), Dot(5, 2)));   // then left to right
    EXPECT_FALSE(reading(Dot(5, 2), Dot(5, 2)));
    EXPECT_FALSE(reading(Dot(0, 3), Dot(9, 2)));
    const KeyLess byKey;
    EXPECT_TRUE(byKey(Dot(0, 0, 1), Dot(0, 0, 2)));
    EXPECT_FALSE(byKey(Dot(0, 0, 2), Dot(0, 0, 2)));
}

TEST(DotOrdering, ReadingOrderDrawsTopLeftFirst)
{
    DotList<Pixel8> list;
    list.noOrdering = true;
    list.dots = {Dot(20, 10), Dot(0, 10), Dot(10, 0), Dot(0, 20), Dot(-5, 10)};
    OrderDots(list);
    std::vector<std::pair<double, double>> drawn;
    EXPECT_EQ(DrawInOrder(list, nullptr, [&](const DotRecord<Pixel8>& d) { drawn.push_back({d.x, d.y}); }),
              PF_Err_NONE);
    const std::vector<std::pair<double, double>> expected = {{10, 0}, {-5, 10}, {0, 10}, {20, 10}, {0, 20}};
    EXPECT_EQ(drawn, expected);
}

TEST(DotOrdering, KeyedDotsDrawFarthestFirst)
{
    DotList<Pixel8> list;
    list.noOrdering = false;
    for (int i = 0; i < 100; ++i) list.dots.push_back(Dot(i, 0, (i * 37) % 100));
    OrderDots(list);
    std::vector<double> keys;
    DrawInOrder(list, nullptr, [&](const DotRecord<Pixel8>& d) { keys.push_back(d.key); });
    ASSERT_EQ(keys.size(), 100u);
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i], 99 - static_cast<double>(i));
}

TEST(DotOrdering, ProgressPercentIn64Bits)
{
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 3), 66);
    EXPECT_EQ(ProgressPercent(3, 3), 100);
    // 100 * 30 million does not fit 32 bits.
    EXPECT_EQ(ProgressPercent(30000000, 40000000), 75);
    EXPECT_EQ(ProgressPercent(49999999, 50000000), 99);
}

TEST(DotOrdering, CancelStopsTheLoopAfterTheCurrentDot)
{
    ProgressLog log;
    log.cancelAfter = 1;  // the answer to the second report is the cancel
    gLog = &log;
    PF_InData in{};
    in.inter.progress = RecordProgress;
    DotList<Pixel8> list;
    list.noOrdering = true;
    list.dots = {Dot(0, 0), Dot(1, 0), Dot(2, 0), Dot(3, 0)};
    std::vector<double> drawn;
    EXPECT_EQ(DrawInOrder(list, &in, [&](const DotRecord<Pixel8>& d) { drawn.push_back(d.x); }),
              PF_Interrupt_CANCEL);
    EXPECT_EQ(drawn, (std::vector<double>{0, 1}));
    const std::vector<std::pair<A_long, A_long>> expected = {{25, 100}, {50, 100}};
    EXPECT_EQ(log.calls, expected);
    gLog = nullptr;
}

TEST(DotOrdering, NoDotsNoProgress)
{
    ProgressLog log;
    gLog = &log;
    PF_InData in{};
    in.inter.progress = RecordProgress;
    DotList<Pixel8> empty;
    EXPECT_EQ(DrawInOrder(empty, &in, [](const DotRecord<Pixel8>&) {}), PF_Err_NONE);
    EXPECT_TRUE(log.calls.empty());
    gLog = nullptr;
}
