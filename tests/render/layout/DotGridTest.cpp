#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "look/ParamValues.h"
#include "render/layout/DotGrid.h"

using namespace Look;
using namespace Render;

namespace {

int32_t Fixed(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

// Dots of size 10, 20 apart (steps 30), opaque red, nothing random, no effectors.
ParamValues Plain()
{
    ParamValues v{};
    v.dotShape = 1;
    v.dotColor = PF_Pixel{255, 255, 0, 0};
    v.dotSize = 10;
    v.dotAspect = 0;
    v.dotRotation = 0;
    v.rotationType = 1;
    v.dotOpacity = 100;
    v.distanceBetween = 1;
    v.dotDistanceX = 20;
    v.dotDistanceY = 20;
    v.centerPosition = {Fixed(50), Fixed(30)};
    v.globalRotationCenter = 1;
    return v;
}

auto NoEffectors = [](auto&, bool) {};

template <class P = Pixel8>
DotList<P> Lay(const ParamValues& v, int32_t width = 100, int32_t height = 60, int32_t time = 0,
               int32_t timeStep = 1)
{
    const FrameValues<P> f = MakeFrameValues<P>(v, time, timeStep, width, height);
    DotList<P> list;
    uint64_t count = 0;
    EXPECT_TRUE(LayOutDots(f, NoEffectors, list, count));
    EXPECT_GE(count, list.dots.size());
    return list;
}

bool SameDots(const DotList<Pixel8>& a, const DotList<Pixel8>& b)
{
    if (a.dots.size() != b.dots.size()) return false;
    for (size_t i = 0; i < a.dots.size(); ++i) {
        const DotRecord<Pixel8>& p = a.dots[i];
        const DotRecord<Pixel8>& q = b.dots[i];
        if (p.x != q.x || p.y != q.y || p.width != q.width || p.rotation != q.rotation ||
            p.color.alpha != q.color.alpha || p.color.red != q.color.red)
            return false;
    }
    return true;
}

}  // namespace

TEST(DotGrid, StepsByDistanceBetween)
{
    ParamValues v = Plain();
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 100, 60).grid.sx, 30);  // "Dots": size + distance
    v.distanceBetween = 2;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 100, 60).grid.sx, 20);  // "Centers": distance
    v.distanceBetween = 1;
    v.dotSize = 0;
    v.dotDistanceX = 0.5;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 100, 60).grid.sx, 1);   // never below 1
    v.distanceBetween = 7;
    v.dotDistanceY = 50;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 100, 60).grid.sy, 1);
}

TEST(DotGrid, KnownGridPositionsAndExtendedFrame)
{
    // Steps 30 around (50, 30) on 100 x 60: the frame reaches one step beyond the layer,
    // [-30, 130) x [-30, 90): x = -10 .. 110 (5 columns), y = -30 .. 60 (4 rows).
    const DotList<Pixel8> list = Lay(Plain());
    ASSERT_EQ(list.dots.size(), 20u);
    EXPECT_EQ(list.dots[0].x, 50);
    EXPECT_EQ(list.dots[0].y, 30);
    for (const DotRecord<Pixel8>& d : list.dots) {
        EXPECT_EQ(std::fmod(d.x + 10, 30), 0) << d.x;
        EXPECT_EQ(std::fmod(d.y + 30, 30), 0) << d.y;
        EXPECT_EQ(d.width, 10);
        EXPECT_EQ(d.height, 10);
        EXPECT_EQ(d.key, -1);
        EXPECT_EQ(d.shape, 1);
        EXPECT_EQ(d.color.alpha, 255);
        EXPECT_EQ(d.color.red, 255);
        EXPECT_EQ(d.color.green, 0);
    }
    // Random distance 1 widens the frame by another step on each side: 7 x 6 cells.
    ParamValues wide = Plain();
    wide.randomDistanceX = 1;
    wide.randomDistanceY = 1;
    EXPECT_EQ(Lay(wide).dots.size(), 42u);
}

TEST(DotGrid, GlobalRotationAndItsCentre)
{
    // A quarter turn about the grid centre maps the grid onto itself; each dot's
    // rotation gets the global rotation ("Normal").
    ParamValues v = Plain();
    v.globalRotation = Fixed(90);
    v.dotRotation = Fixed(10);
    const DotList<Pixel8> list = Lay(v, 60, 60);
    ParamValues straight = Plain();
    straight.dotRotation = Fixed(10);
    EXPECT_EQ(list.dots.size(), Lay(straight, 60, 60).dots.size());
    for (const DotRecord<Pixel8>& d : list.dots)
        EXPECT_NEAR(d.rotation, 100 * 0.017453292519943295, 1e-12);
    // Cell (80, 30), one step right of the centre, lands one step below it.
    bool found = false;
    for (const DotRecord<Pixel8>& d : list.dots)
        found = found || (std::fabs(d.x - 50) < 1e-9 && std::fabs(d.y - 60) < 1e-9);
    EXPECT_TRUE(found);

    // Centre choices: FX1..FX3 take the effector's position, enabled or not; anything
    // else turns about the origin.
    v.effector[0].position = {Fixed(1), Fixed(2)};
    v.effector[2].position = {Fixed(5), Fixed(6)};
    v.globalRotationCenter = 2;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 60, 60).grid.rx, 1);
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 60, 60).grid.ry, 2);
    v.globalRotationCenter = 4;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 60, 60).grid.rx, 5);
    v.globalRotationCenter = 9;
    EXPECT_EQ(MakeFrameValues<Pixel8>(v, 0, 1, 60, 60).grid.rx, 0);
    // The centre dot turned about the origin by 90 degrees: (50, 30) -> (-30, 50).
    v.globalRotationCenter = 9;
    v.centerPosition = {Fixed(50), Fixed(30)};
    const DotList<Pixel8> aboutOrigin = Lay(v, 200, 200);
    bool moved = false;
    for (const DotRecord<Pixel8>& d : aboutOrigin.dots)
        moved = moved || (std::fabs(d.x + 30) < 1e-9 && std::fabs(d.y - 50) < 1e-9);
    EXPECT_TRUE(moved);
}

TEST(DotGrid, DrawsComeFromTheSeededSourceInOrder)
{
    // With seed 23 the first dot's jitter is the first draw after 3 advances of 23.
    ParamValues v = Plain();
    v.randomSeed = 23;
    v.randomDistanceX = 0.25;
    v.randomDistanceY = 0.5;
    v.randomSize = 0.5;
    const DotList<Pixel8> list = Lay(v);
    DotRandom r(23);
    r.Skip(3);
    // The first cell is the centre; frame widened by the random distances.
    const double x = 50 + r.Draw(0.25) * 30;
    const double y = 30 + r.Draw(0.5) * 30;
    const double size = r.Draw(0.5) * 10 + 10;
    ASSERT_FALSE(list.dots.empty());
    EXPECT_EQ(list.dots[0].x, x);
    EXPECT_EQ(list.dots[0].y, y);
    EXPECT_EQ(list.dots[0].width, size);
    // Another seed gives another pattern.
    v.randomSeed = 24;
    EXPECT_NE(Lay(v).dots[0].x, x);
}

TEST(DotGrid, IntervalAndArrayChooseThePattern)
{
    ParamValues v = Plain();
    v.randomSeed = 10;
    v.randomDistanceX = 0.3;
    v.randomInterval = 2;
    v.randomArray = 3;
    // k = (frame / 2) rem 3: frames 0, 1, 6, 7 share a pattern; 2 and 3 share another.
    const DotList<Pixel8> f0 = Lay(v, 100, 60, 0);
    EXPECT_TRUE(SameDots(f0, Lay(v, 100, 60, 7)));
    EXPECT_TRUE(SameDots(f0, Lay(v, 100, 60, 6)));
    EXPECT_TRUE(SameDots(Lay(v, 100, 60, 2), Lay(v, 100, 60, 3)));
    EXPECT_FALSE(SameDots(f0, Lay(v, 100, 60, 2)));
    // Without an interval the dots are the same at every time.
    v.randomInterval = 0;
    EXPECT_TRUE(SameDots(Lay(v, 100, 60, 0), Lay(v, 100, 60, 5)));
}

TEST(DotGrid, AspectShapesWidthAndHeight)
{
    ParamValues v = Plain();
    v.dotAspect = -50;
    DotRecord<Pixel8> d = Lay(v).dots[0];
    EXPECT_EQ(d.width, 5);
    EXPECT_EQ(d.height, 10);
    v.dotAspect = 100;
    d = Lay(v).dots[0];
    EXPECT_EQ(d.width, 10);
    EXPECT_EQ(d.height, 0);
    v.dotAspect = 250;  // limited to 1
    EXPECT_EQ(Lay(v).dots[0].height, 0);
    // A random aspect is not limited before width and height are taken.
    v.dotAspect = -100;
    v.randomAspect = 0.5;
    for (const DotRecord<Pixel8>& dot : Lay(v).dots) {
        EXPECT_EQ(dot.height, 10);
        EXPECT_GE(dot.width, 0);
        EXPECT_LE(dot.width, 5);
    }
}

TEST(DotGrid, OpacityAboveOneIsReflected)
{
    // Full base opacity plus a random opacity: the sixth draw decides; above 1 it folds back.
    ParamValues v = Plain();
    v.randomOpacity = 0.5;
    for (int32_t seed = 0; seed < 40; ++seed) {
        v.randomSeed = seed;
        DotRandom r = DotRandom::Seeded(seed, 0, 0, 0, 1);
        double o = 0;
        for (int k = 0; k < 6; ++k) o = r.Draw(0.5);
        o += 1;
        if (o > 1) o = 2 - o;
        const DotRecord<Pixel8> d = Lay(v).dots[0];
        EXPECT_EQ(d.color.alpha, static_cast<int>(o * 255)) << "seed " << seed;
    }
    // The 16-bit and float scales.
    ParamValues half = Plain();
    half.dotOpacity = 50;
    EXPECT_EQ(Lay<Pixel16>(half).dots[0].color.alpha, 16384);
    EXPECT_EQ(Lay<Pixel32>(half).dots[0].color.alpha, 0.5f);
    EXPECT_EQ(Lay<Pixel16>(half).dots[0].color.red, 32768);
}

TEST(DotGrid, LookAtCenterTurnsDotsTowardTheRotationCentre)
{
    ParamValues v = Plain();
    v.rotationType = 2;
    v.dotRotation = Fixed(10);
    const DotList<Pixel8> list = Lay(v);
    const double base = 10 * 0.017453292519943295;
    for (const DotRecord<Pixel8>& d : list.dots) {
        if (d.x == 50 && d.y == 30) EXPECT_EQ(d.rotation, base);  // exactly at the centre: unchanged
        else EXPECT_EQ(d.rotation, base + (std::atan2(d.y - 30, d.x - 50) - 1.5707963267948966));
    }
    v.rotationType = 3;  // "Fix Dot Angle": no global rotation either
    v.globalRotation = Fixed(45);
    for (const DotRecord<Pixel8>& d : Lay(v).dots) EXPECT_EQ(d.rotation, base);
}

TEST(DotGrid, FrontKeysAndTheNoOrderingFlag)
{
    ParamValues v = Plain();
    DotList<Pixel8> list = Lay(v);
    EXPECT_TRUE(list.noOrdering);  // the first dot had no front point
    v.centerDotToFront = 1;
    list = Lay(v);
    EXPECT_FALSE(list.noOrdering);
    for (const DotRecord<Pixel8>& d : list.dots)
        EXPECT_EQ(d.key, (d.x - 50) * (d.x - 50) + (d.y - 30) * (d.y - 30));

    // The effectors see the flag: once the first dot went without a key, later dots get
    // none even if an effector would give one.
    const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(Plain(), 0, 1, 100, 60);
    DotList<Pixel8> out;
    uint64_t count = 0;
    int calls = 0;
    std::vector<bool> flags;
    LayOutDots(f, [&](DotState<Pixel8>& dot, bool noOrdering) {
        flags.push_back(noOrdering);
        if (calls++ > 0 && !noOrdering) dot.key = 1;
    }, out, count);
    ASSERT_GT(flags.size(), 2u);
    EXPECT_FALSE(flags[0]);
    EXPECT_TRUE(flags[1]);
    for (const DotRecord<Pixel8>& d : out.dots) EXPECT_EQ(d.key, -1);
}

TEST(DotGrid, ColourPassesThroughHsvRandomisation)
{
    ParamValues v = Plain();
    v.dotColor = PF_Pixel{0, 200, 100, 50};  // transparent colour: alpha comes from opacity
    for (const DotRecord<Pixel8>& d : Lay(v).dots) {
        EXPECT_EQ(d.color.alpha, 255);
        EXPECT_EQ(d.color.red, 200);
        EXPECT_EQ(d.color.green, 100);
        EXPECT_EQ(d.color.blue, 50);
    }
    // Saturation and value folded back into [0, 1]: a large amount keeps channels legal
    // and changes colours from dot to dot.
    v.randomSaturation = 300;
    v.randomValue = 300;
    v.randomHue = Fixed(720);
    const DotList<Pixel8> list = Lay(v);
    bool varied = false;
    for (const DotRecord<Pixel8>& d : list.dots)
        varied = varied || d.color.red != list.dots[0].color.red || d.color.green != list.dots[0].color.green;
    EXPECT_TRUE(varied);
}

TEST(DotGrid, DotsThatAreNotFiniteAreDropped)
{
    const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(Plain(), 0, 1, 100, 60);
    DotList<Pixel8> all, some;
    uint64_t count = 0;
    LayOutDots(f, NoEffectors, all, count);
    int k = 0;
    LayOutDots(f, [&](DotState<Pixel8>& dot, bool) {
        switch (k++ % 5) {
        case 1: dot.size = INFINITY; break;
        case 2: dot.rotation = NAN; break;
        case 3: dot.x = -INFINITY; break;
        default: break;
        }
    }, some, count);
    ASSERT_EQ(all.dots.size(), 20u);
    ASSERT_EQ(some.dots.size(), 8u);  // dots 0, 4, 5, 9, ... kept, unchanged
    EXPECT_EQ(some.dots[0].x, all.dots[0].x);
    EXPECT_EQ(some.dots[1].x, all.dots[4].x);
    EXPECT_EQ(some.dots[2].x, all.dots[5].x);
    EXPECT_EQ(some.dots[7].y, all.dots[19].y);
    // A not-a-number size becomes 0 (max(0, size)) and the dot stays.
    k = 0;
    DotList<Pixel8> nanSize;
    LayOutDots(f, [&](DotState<Pixel8>& dot, bool) { dot.size = NAN; dot.opacity = NAN; }, nanSize, count);
    ASSERT_EQ(nanSize.dots.size(), 20u);
    EXPECT_EQ(nanSize.dots[0].width, 0);
    EXPECT_EQ(nanSize.dots[0].color.alpha, 0);
}

TEST(DotGrid, FramesWithTooManyDotsAreRefused)
{
    // Steps of one pixel over an 8000 x 8000 layer: 64 million dots.
    ParamValues v = Plain();
    v.dotSize = 0;
    v.dotDistanceX = 0;
    v.dotDistanceY = 0;
    v.centerPosition = {Fixed(4000), Fixed(4000)};
    const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(v, 0, 1, 8000, 8000);
    DotList<Pixel8> list;
    uint64_t count = 0;
    EXPECT_FALSE(LayOutDots(f, NoEffectors, list, count));
    EXPECT_GT(count, MaxDotsPerFrame<Pixel8>());
    EXPECT_TRUE(list.dots.empty());
}

TEST(DotGrid, HostileValuesEndCleanly)
{
    // Values no parameter allows, as a damaged record might carry them: the layout ends,
    // every dot it keeps is finite.
    const double nan = std::nan("");
    struct Case {
        double size, distance, randomDistance, randomSize;
    } cases[] = {
        {1e308, 1e308, 0, 0}, {nan, 20, 0, 0}, {10, nan, nan, 0}, {10, 20, 1e300, 0},
        {10, 20, -1, 0}, {10, 20, -3, 0}, {1e300, 0, 0, 50}, {0, 0, 50, 0},
    };
    for (const Case& c : cases) {
        ParamValues v = Plain();
        v.dotSize = c.size;
        v.dotDistanceX = v.dotDistanceY = c.distance;
        v.randomDistanceX = v.randomDistanceY = c.randomDistance;
        v.randomSize = c.randomSize;
        v.centerPosition = {INT32_MIN, INT32_MAX};
        const FrameValues<Pixel8> f = MakeFrameValues<Pixel8>(v, 0, 1, 300, 200);
        DotList<Pixel8> list;
        uint64_t count = 0;
        LayOutDots(f, NoEffectors, list, count);
        for (const DotRecord<Pixel8>& d : list.dots) {
            EXPECT_TRUE(std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.width) &&
                        std::isfinite(d.height) && std::isfinite(d.rotation));
        }
    }
}
