#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/DrawDots.h"

namespace {

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

int32_t Fixed(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

// Three dots in one row: steps 30, layer 40 x 1, the vertical margin cut to half a step.
ParamValues ThreeDots()
{
    ParamValues v{};
    v.dotShape = 1;
    v.dotColor = PF_Pixel{255, 255, 255, 255};
    v.dotSize = 10;
    v.rotationType = 1;
    v.dotOpacity = 100;
    v.distanceBetween = 1;
    v.dotDistanceX = 20;
    v.dotDistanceY = 20;
    v.centerPosition = {Fixed(15), 0};
    v.globalRotationCenter = 1;
    v.randomDistanceY = -0.5;
    return v;
}

}  // namespace

TEST(DrawDots, ProgressIsReportedInPercentAfterEachDot)
{
    ProgressLog log;
    gLog = &log;
    PF_InData in{};
    in.inter.progress = RecordProgress;
    in.time_step = 1;
    RenderRecord record{};
    record.values = ThreeDots();
    record.inData = &in;
    std::vector<Pixel8> pixels(40);
    DotCanvas<Pixel8> canvas(pixels.data(), 40, 1, 40 * sizeof(Pixel8));
    EXPECT_EQ(DrawDots(record, canvas), PF_Err_NONE);
    const std::vector<std::pair<A_long, A_long>> expected = {{33, 100}, {66, 100}, {100, 100}};
    EXPECT_EQ(log.calls, expected);
    gLog = nullptr;
}

TEST(DrawDots, CancelStopsAfterTheCurrentDot)
{
    ProgressLog log;
    log.cancelAfter = 0;  // the answer to the first report is the cancel
    gLog = &log;
    PF_InData in{};
    in.inter.progress = RecordProgress;
    RenderRecord record{};
    record.values = ThreeDots();
    record.inData = &in;
    std::vector<Pixel8> pixels(40);
    DotCanvas<Pixel8> canvas(pixels.data(), 40, 1, 40 * sizeof(Pixel8));
    EXPECT_EQ(DrawDots(record, canvas), PF_Interrupt_CANCEL);
    EXPECT_EQ(log.calls.size(), 1u);

    gLog = nullptr;
}

TEST(DrawDots, TooManyDotsEndsTheRenderWithAMessage)
{
    PF_InData in{};
    PF_OutData out{};
    RenderRecord record{};
    record.values = ThreeDots();
    record.values.dotSize = 0;
    record.values.dotDistanceX = record.values.dotDistanceY = 0;
    record.values.randomDistanceY = 0;
    record.inData = &in;
    record.outData = &out;
    std::vector<Pixel8> pixels(1);
    DotCanvas<Pixel8> canvas(pixels.data(), 9000, 9000, 9000 * sizeof(Pixel8));  // never drawn into
    EXPECT_EQ(DrawDots(record, canvas), PF_Err_OUT_OF_MEMORY);
    EXPECT_NE(std::string(out.return_msg).find("dots"), std::string::npos);
}
