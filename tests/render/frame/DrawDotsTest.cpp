#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "look/ParamValues.h"
#include "render/frame/DrawDots.h"

using namespace Look;
using namespace Render;

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
    ParamValues values = ThreeDots();
    RenderRecord record{};
    record.values = &values;
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
    ParamValues values = ThreeDots();
    RenderRecord record{};
    record.values = &values;
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
    ParamValues values = ThreeDots();
    RenderRecord record{};
    record.values = &values;
    values.dotSize = 0;
    values.dotDistanceX = values.dotDistanceY = 0;
    values.randomDistanceY = 0;
    record.inData = &in;
    record.outData = &out;
    std::vector<Pixel8> pixels(1);
    DotCanvas<Pixel8> canvas(pixels.data(), 9000, 9000, 9000 * sizeof(Pixel8));  // never drawn into
    EXPECT_EQ(DrawDots(record, canvas), PF_Err_OUT_OF_MEMORY);
    EXPECT_NE(std::string(out.return_msg).find("dots"), std::string::npos);
}

namespace {

// Circles of size 40 with centres 20 apart around (50, 50), each of its own hue.
ParamValues Overlapping(bool centerToFront)
{
    ParamValues v = ThreeDots();
    v.dotSize = 40;
    v.distanceBetween = 2;
    v.dotDistanceX = v.dotDistanceY = 20;
    v.centerPosition = {Fixed(50), Fixed(50)};
    v.randomDistanceY = 0;
    v.dotColor = PF_Pixel{255, 255, 0, 0};  // saturated, so that the random hue shows
    v.randomHue = Fixed(180);
    v.randomSeed = 7;
    v.centerDotToFront = centerToFront ? 1 : 0;
    return v;
}

Pixel8 ColourOfDotAt(const ParamValues& v, double x, double y)
{
    const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(v, 0, 0, 100, 100);
    DotList<Pixel8> list;
    uint64_t count = 0;
    EXPECT_TRUE(LayOutDots(f, [](DotState<Pixel8>&, bool) {}, list, count));
    for (const DotRecord<Pixel8>& d : list.dots)
        if (d.x == x && d.y == y) return d.color;
    ADD_FAILURE() << "no dot at " << x << ", " << y;
    return Pixel8{};
}

Pixel8 RenderedPixel(const ParamValues& v, int px, int py)
{
    PF_InData in{};
    ParamValues values = v;
    RenderRecord record{};
    record.values = &values;
    record.inData = &in;
    std::vector<Pixel8> pixels(100 * 100, Pixel8{0, 0, 0, 0});
    DotCanvas<Pixel8> canvas(pixels.data(), 100, 100, 100 * sizeof(Pixel8));
    EXPECT_EQ(DrawDots(record, canvas), PF_Err_NONE);
    return pixels[static_cast<size_t>(py) * 100 + static_cast<size_t>(px)];
}

void ExpectSameColour(const Pixel8& a, const Pixel8& b)
{
    EXPECT_EQ(a.alpha, b.alpha);
    EXPECT_EQ(a.red, b.red);
    EXPECT_EQ(a.green, b.green);
    EXPECT_EQ(a.blue, b.blue);
}

}  // namespace

TEST(DrawDots, NearestDotToTheFrontPointEndsOnTop)
{
    // Pixel (50, 55) lies wholly inside the centre dot and the dot below it, (50, 70);
    // with "Center Dot to Front" the centre dot is drawn last.
    const ParamValues v = Overlapping(true);
    const Pixel8 centre = ColourOfDotAt(v, 50, 50);
    const Pixel8 below = ColourOfDotAt(v, 50, 70);
    ASSERT_NE(centre.red * 65536 + centre.green * 256 + centre.blue, below.red * 65536 + below.green * 256 + below.blue);
    ExpectSameColour(RenderedPixel(v, 50, 55), centre);
}

TEST(DrawDots, ReadingOrderPutsTheLowerDotOnTop)
{
    const ParamValues v = Overlapping(false);
    ExpectSameColour(RenderedPixel(v, 50, 55), ColourOfDotAt(v, 50, 70));
}

namespace {

// Fills each outline it is handed into a layer of its own, as vector output's reader would.
struct FillingSink {
    DotCanvas<Pixel8>& canvas;
    void Outline(VertexList& vertices, const AffineTransform& transform, const Pixel8& color)
    {
        PolygonFiller<Pixel8>& filler = canvas.Filler();
        filler.Clear();
        for (size_t i = 0; i < vertices.size(); ++i) filler.AddVertex(vertices[i].x, vertices[i].y);
        canvas.Transform() = transform;
        canvas.SetColor(color);
        filler.Fill();
        canvas.Transform() = AffineTransform::Identity();
    }
};

}  // namespace

// What vector output is handed (TraceFrameDots) is what the raster draws: the outlines,
// filled one after the other, give DrawDots' layer bit for bit, in reading and keyed order.
TEST(DrawDots, TracedOutlinesFilledInOrderGiveTheRaster)
{
    for (const bool toFront : {false, true}) {
        ParamValues v = Overlapping(toFront);
        v.dotShape = 5;  // the star, which a wrong turn or mirror changes
        v.dotRotation = Fixed(20);
        v.randomSize = 1;
        v.randomRotation = 1;
        PF_InData in{};
        RenderRecord record{};
        record.values = &v;
        record.inData = &in;
        std::vector<Pixel8> raster(100 * 100, Pixel8{0, 0, 0, 0}), traced(raster);
        DotCanvas<Pixel8> rasterCanvas(raster.data(), 100, 100, 100 * sizeof(Pixel8));
        ASSERT_EQ(DrawDots(record, rasterCanvas), PF_Err_NONE);
        DotCanvas<Pixel8> tracedCanvas(traced.data(), 100, 100, 100 * sizeof(Pixel8));
        FillingSink sink{tracedCanvas};
        ASSERT_TRUE(TraceFrameDots<Pixel8>(record, 100, 100, sink));
        EXPECT_EQ(std::memcmp(raster.data(), traced.data(), raster.size() * sizeof(Pixel8)), 0) << toFront;
        EXPECT_NE(std::count_if(raster.begin(), raster.end(), [](const Pixel8& p) { return p.alpha != 0; }), 0);
    }
}
