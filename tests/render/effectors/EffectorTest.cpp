// The effector step: each step in isolation, overlapping effectors, front keys, colour picks.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "render/base/Constants.h"
#include "render/effectors/Effector.h"
#include "tests/render/effectors/MapImage.h"

using namespace Look;
using namespace Render;

namespace {

int32_t Fixed(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

// An enabled effector that changes nothing: ratios 1, offsets 0, no colour, no hue shift,
// with a hard radial map of radius 1000 around (0, 0) (weight 1 near the origin).
EffectorParams NeutralParams(PF_EffectWorld* layer) {
    EffectorParams p;
    std::memset(&p, 0, sizeof(p));
    p.enable = 1;
    p.effectMap = kEffectMapRadial;
    p.size = 1000;
    p.falloff = 0;
    p.customMapLayer = layer;
    p.tiling = 1;
    p.ratioSize = p.ratioAspect = p.ratioRotation = p.ratioOpacity = 1.0;
    p.blendMode = 1;
    return p;
}

// A linear map with weight exactly 0.5 at y = -50 (solid width 0, size 100, line y = 0).
void HalfWeightLinear(EffectorParams& p) {
    p.effectMap = kEffectMapLinear;
    p.size = 100;
    p.falloff = 100;
}

template <class P>
DotState<P> MakeDot(double x, double y, const P& color) {
    DotState<P> d;
    d.x = x;
    d.y = y;
    d.size = 20;
    d.aspect = 0.2;
    d.rotation = 0.3;
    d.opacity = 0.8;
    d.color = color;
    d.key = -1;
    return d;
}

template <class P>
EffectorState<P> MakeState(const EffectorParams& p, int32_t w = 1000, int32_t h = 500) {
    EffectorState<P> s;
    InitEffectorState(s, p, w, h);
    return s;
}

void ExpectSameDot(const DotState<Pixel8>& a, const DotState<Pixel8>& b) {
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.aspect, b.aspect);
    EXPECT_EQ(a.rotation, b.rotation);
    EXPECT_EQ(a.opacity, b.opacity);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.color.alpha, b.color.alpha);
    EXPECT_EQ(a.color.red, b.color.red);
    EXPECT_EQ(a.color.green, b.color.green);
    EXPECT_EQ(a.color.blue, b.color.blue);
}

struct EffectorTest : ::testing::Test {
    EffectorTest() { layer.Fill(MakePixel<Pixel8>(255, 255, 255, 255)); }
    MapImage<Pixel8> layer{4, 4};  // opaque white: weight 1 as a custom map
};

TEST_F(EffectorTest, StateDerivesConvertedValues) {
    EffectorParams p = NeutralParams(&layer.world);
    p.position = {Fixed(12.5), Fixed(-3)};
    p.falloff = 40;
    p.absAspect = 150;
    p.absRotation = Fixed(90);
    p.absOpacity = 25;
    p.offsetAspect = -250;
    p.offsetRotation = Fixed(-45);
    p.offsetOpacity = 10;
    p.shiftHue = Fixed(180);
    p.blendColor = {255, 255, 128, 0};
    const auto s16 = MakeState<Pixel16>(p);
    EXPECT_EQ(s16.px, 12.5);
    EXPECT_EQ(s16.py, -3.0);
    EXPECT_DOUBLE_EQ(s16.falloff, 0.4);
    EXPECT_EQ(s16.absAspect, 1.0);
    EXPECT_DOUBLE_EQ(s16.absRotation, kPi / 2);
    EXPECT_DOUBLE_EQ(s16.absOpacity, 0.25);
    EXPECT_EQ(s16.offsetAspect, -1.0);
    EXPECT_DOUBLE_EQ(s16.offsetRotation, -kPi / 4);
    EXPECT_DOUBLE_EQ(s16.hueShift, 0.5);
    EXPECT_EQ(s16.blendColor.alpha, 32768);
    EXPECT_EQ(s16.blendColor.green, 16448);  // trunc(128 / 255 * 32768)
    EXPECT_EQ(s16.blendColor.blue, 0);
    EXPECT_EQ(s16.layerWidth, 1000);
    EXPECT_EQ(s16.layerMap, nullptr);
    EXPECT_EQ(s16.map.UseCount(), 1);
    EXPECT_NE(dynamic_cast<RadialEffectMap*>(s16.map.Get()), nullptr);
}

TEST_F(EffectorTest, MakeEffectMapChoosesTheKind) {
    EffectorParams p = NeutralParams(&layer.world);
    const std::pair<int32_t, bool> kinds[] = {{1, false}, {2, false}, {3, false},
                                              {4, false}, {5, false}, {6, false}};
    for (auto kind : kinds) {
        p.effectMap = kind.first;
        const auto s = MakeState<Pixel8>(p);
        BaseEffectMap* m = s.map.Get();
        switch (kind.first) {
            case 1: EXPECT_NE(dynamic_cast<LayerEffectMap<Pixel8>*>(m), nullptr); break;
            case 3: case 4: EXPECT_NE(dynamic_cast<RadialEffectMap*>(m), nullptr); break;
            default: EXPECT_NE(dynamic_cast<LinearEffectMap*>(m), nullptr); break;
        }
    }
    // Mirrored variants: a radial ring is 0 at its centre, a mirrored line falls on both sides.
    p.effectMap = 4;
    p.falloff = 50;
    EXPECT_NEAR(MakeState<Pixel8>(p).map->Value(0, 0), 0.0, 1e-12);
    p.effectMap = 3;
    EXPECT_EQ(MakeState<Pixel8>(p).map->Value(0, 0), 1.0);
    HalfWeightLinear(p);
    p.effectMap = 6;
    EXPECT_DOUBLE_EQ(MakeState<Pixel8>(p).map->Value(0, 50), 0.5);
    p.effectMap = 5;
    EXPECT_EQ(MakeState<Pixel8>(p).map->Value(0, 50), 1.0);
}

TEST_F(EffectorTest, WithoutMapImageOrDisabledNothingHappens) {
    for (int32_t kind : {1, 3, 5}) {
        EffectorParams p = NeutralParams(nullptr);
        p.effectMap = kind;
        p.centerDotToFront = 1;
        p.absolute = 1;
        p.absSize = 99;
        p.ratioSize = 3;
        p.color = 1;
        p.blendColor = {255, 0, 0, 255};
        p.shiftHue = Fixed(90);
        const auto dot = MakeDot<Pixel8>(1, 1, MakePixel<Pixel8>(255, 200, 100, 50));
        auto changed = dot;
        ApplyEffector(MakeState<Pixel8>(p), changed, false);
        ExpectSameDot(changed, dot);

        p.customMapLayer = &layer.world;
        p.enable = 0;
        ApplyEffector(MakeState<Pixel8>(p), changed, false);
        ExpectSameDot(changed, dot);

        p.enable = 1;  // the same effector enabled does change the dot
        ApplyEffector(MakeState<Pixel8>(p), changed, false);
        EXPECT_NE(changed.size, dot.size);
    }
}

TEST_F(EffectorTest, AbsoluteAtFullWeightReachesTheAbsValuesThenRatioAndOffset) {
    EffectorParams p = NeutralParams(&layer.world);
    p.absolute = 1;
    p.absSize = 7;
    p.absAspect = -40;
    p.absRotation = Fixed(30);
    p.absOpacity = 60;
    auto dot = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(255, 1, 2, 3));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_EQ(dot.size, 7.0);
    EXPECT_EQ(dot.aspect, -0.4);
    EXPECT_DOUBLE_EQ(dot.rotation, 30 * 0.017453292519943295);
    EXPECT_EQ(dot.opacity, 0.6);

    p.ratioSize = 2;
    p.offsetSize = 3;
    p.ratioOpacity = 0.5;
    p.offsetOpacity = 10;
    dot = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(255, 1, 2, 3));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_EQ(dot.size, 17.0);
    EXPECT_DOUBLE_EQ(dot.opacity, 0.4);
}

TEST_F(EffectorTest, AbsoluteAtHalfWeightMovesHalfway) {
    EffectorParams p = NeutralParams(&layer.world);
    HalfWeightLinear(p);
    p.absolute = 1;
    p.absSize = 40;
    p.absAspect = -20;
    p.absOpacity = 0;
    auto dot = MakeDot<Pixel8>(0, -50, MakePixel<Pixel8>(255, 1, 2, 3));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_DOUBLE_EQ(dot.size, 30.0);
    EXPECT_DOUBLE_EQ(dot.aspect, 0.0);
    EXPECT_DOUBLE_EQ(dot.rotation, 0.15);
    EXPECT_DOUBLE_EQ(dot.opacity, 0.4);
}

TEST_F(EffectorTest, RatioAndOffsetScaleByWeight) {
    EffectorParams p = NeutralParams(&layer.world);
    HalfWeightLinear(p);
    p.ratioSize = 2;
    p.ratioAspect = 3;
    p.offsetAspect = 50;
    p.ratioRotation = 0;
    p.offsetRotation = Fixed(180);
    p.offsetSize = 4;
    auto dot = MakeDot<Pixel8>(0, -50, MakePixel<Pixel8>(255, 1, 2, 3));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_DOUBLE_EQ(dot.size, 20 * 1.5 + 2);
    EXPECT_DOUBLE_EQ(dot.aspect, 0.2 * 2 + 0.25);
    EXPECT_DOUBLE_EQ(dot.rotation, 0.3 * 0.5 + kPi / 2);
    EXPECT_DOUBLE_EQ(dot.opacity, 0.8);
}

TEST_F(EffectorTest, ZeroWeightChangesNothingButTheColourPick) {
    // A custom map whose pixels are transparent red: weight 0, but the colour is picked.
    MapImage<Pixel8> img(4, 4);
    img.Fill(MakePixel<Pixel8>(0, 255, 0, 0));
    EffectorParams p = NeutralParams(&img.world);
    p.effectMap = kEffectMapCustom;
    p.position = {Fixed(2), Fixed(2)};
    p.pickSourceColor = 1;
    p.absolute = 1;
    p.absSize = 99;
    p.color = 1;
    p.blendColor = {255, 0, 0, 255};
    p.shiftHue = Fixed(120);
    auto dot = MakeDot<Pixel8>(2, 2, MakePixel<Pixel8>(255, 10, 20, 30));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_EQ(dot.size, 20.0);
    EXPECT_EQ(dot.opacity, 0.8);
    EXPECT_EQ(dot.color.alpha, 0);
    EXPECT_EQ(dot.color.red, 255);
    EXPECT_EQ(dot.color.green, 0);
}

TEST_F(EffectorTest, ColourBlendMovesTowardTheBlendByWeight) {
    EffectorParams p = NeutralParams(&layer.world);
    p.color = 1;
    p.blendMode = 1;
    p.blendColor = {255, 0, 255, 10};
    auto dot = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(200, 255, 0, 10));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_EQ(dot.color.alpha, 200);
    EXPECT_EQ(dot.color.red, 0);
    EXPECT_EQ(dot.color.green, 255);
    EXPECT_EQ(dot.color.blue, 10);

    // Weight 0.5: k = 16384, steps truncate toward zero in both directions.
    HalfWeightLinear(p);
    auto half = MakeDot<Pixel8>(0, -50, MakePixel<Pixel8>(200, 255, 0, 10));
    ApplyEffector(MakeState<Pixel8>(p), half, false);
    EXPECT_EQ(half.color.red, 128);   // 255 + (-127.5 -> -127)
    EXPECT_EQ(half.color.green, 127);  // 0 + 127.5 -> 127
    EXPECT_EQ(half.color.blue, 10);

    auto half16 = MakeDot<Pixel16>(0, -50, MakePixel<Pixel16>(32768, 32768, 0, 3));
    ApplyEffector(MakeState<Pixel16>(p), half16, false);
    EXPECT_EQ(half16.color.red, 16384);
    EXPECT_EQ(half16.color.green, 16384);
    EXPECT_EQ(half16.color.blue, 644);  // blend 10 becomes 1285; 3 + (16384 * 1282) / 32768

    auto halfF = MakeDot<Pixel32>(0, -50, MakePixel<Pixel32>(1, 1, 0, 0.5));
    ApplyEffector(MakeState<Pixel32>(p), halfF, false);
    EXPECT_FLOAT_EQ(halfF.color.red, 0.5f);
    EXPECT_FLOAT_EQ(halfF.color.green, 0.5f);
    EXPECT_FLOAT_EQ(halfF.color.blue, 0.25f + 5.0f / 255);
    EXPECT_EQ(halfF.color.alpha, 1.0f);
}

TEST_F(EffectorTest, ColourBlendUsesTheChosenMode) {
    EffectorParams p = NeutralParams(&layer.world);
    p.color = 1;
    p.blendMode = 5;  // "Multiply"
    p.blendColor = {255, 128, 255, 0};
    auto dot = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(255, 200, 200, 200));
    ApplyEffector(MakeState<Pixel8>(p), dot, false);
    EXPECT_EQ(dot.color.red, 100);
    EXPECT_EQ(dot.color.green, 199);
    EXPECT_EQ(dot.color.blue, 0);
}

TEST_F(EffectorTest, HueShiftTurnsTheHueByWeight) {
    EffectorParams p = NeutralParams(&layer.world);
    p.shiftHue = Fixed(180);
    auto red8 = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(100, 255, 0, 0));
    ApplyEffector(MakeState<Pixel8>(p), red8, false);
    EXPECT_EQ(red8.color.alpha, 255);  // the HSV step gives full alpha
    EXPECT_EQ(red8.color.red, 0);
    EXPECT_EQ(red8.color.green, 255);
    EXPECT_EQ(red8.color.blue, 255);

    auto red16 = MakeDot<Pixel16>(0, 0, MakePixel<Pixel16>(100, 32768, 0, 0));
    ApplyEffector(MakeState<Pixel16>(p), red16, false);
    EXPECT_EQ(red16.color.alpha, 32768);
    EXPECT_EQ(red16.color.red, 0);
    EXPECT_EQ(red16.color.green, 32768);
    EXPECT_EQ(red16.color.blue, 32768);

    // A negative shift wraps below 0: -90 degrees from red is hue 0.75.
    p.shiftHue = Fixed(-90);
    auto redF = MakeDot<Pixel32>(0, 0, MakePixel<Pixel32>(0.5, 1, 0, 0));
    ApplyEffector(MakeState<Pixel32>(p), redF, false);
    EXPECT_FLOAT_EQ(redF.color.red, 0.5f);
    EXPECT_FLOAT_EQ(redF.color.green, 0.0f);
    EXPECT_FLOAT_EQ(redF.color.blue, 1.0f);
    EXPECT_EQ(redF.color.alpha, 1.0f);

    // At weight 0.5 a 240 degree shift moves red by 120 degrees: green.
    HalfWeightLinear(p);
    p.shiftHue = Fixed(240);
    auto half = MakeDot<Pixel8>(0, -50, MakePixel<Pixel8>(255, 255, 0, 0));
    ApplyEffector(MakeState<Pixel8>(p), half, false);
    EXPECT_EQ(half.color.red, 0);
    EXPECT_EQ(half.color.green, 255);
    EXPECT_EQ(half.color.blue, 0);
}

TEST_F(EffectorTest, FrontKeysTakeTheNearestFrontPoint) {
    EffectorParams p = NeutralParams(&layer.world);
    p.centerDotToFront = 1;
    p.position = {Fixed(10), Fixed(0)};
    EffectorState<Pixel8> states[3];
    InitEffectorState(states[0], p, 100, 100);
    p.position = {Fixed(0), Fixed(4)};
    InitEffectorState(states[1], p, 100, 100);
    p.position = {Fixed(50), Fixed(50)};
    p.centerDotToFront = 0;  // not a front point
    InitEffectorState(states[2], p, 100, 100);

    auto dot = MakeDot<Pixel8>(3, 0, MakePixel<Pixel8>(255, 0, 0, 0));
    ApplyEffectors(states, dot, false);
    EXPECT_EQ(dot.key, 25.0);  // min(49, 9 + 16)

    // A key already set by the grid centre stays when it is nearer.
    auto near = MakeDot<Pixel8>(3, 0, MakePixel<Pixel8>(255, 0, 0, 0));
    near.key = 2;
    ApplyEffectors(states, near, false);
    EXPECT_EQ(near.key, 2.0);

    // With no ordering the keys are left alone.
    auto unordered = MakeDot<Pixel8>(3, 0, MakePixel<Pixel8>(255, 0, 0, 0));
    ApplyEffectors(states, unordered, true);
    EXPECT_EQ(unordered.key, -1.0);

    // The front point counts even where the weight is 0.
    EffectorParams far = NeutralParams(&layer.world);
    far.size = 1;
    far.centerDotToFront = 1;
    auto outside = MakeDot<Pixel8>(30, 40, MakePixel<Pixel8>(255, 0, 0, 0));
    ApplyEffector(MakeState<Pixel8>(far), outside, false);
    EXPECT_EQ(outside.key, 2500.0);
    EXPECT_EQ(outside.size, 20.0);
}

TEST_F(EffectorTest, OverlappingEffectorsActInOrder) {
    EffectorParams first = NeutralParams(&layer.world);
    first.ratioSize = 2;
    first.color = 1;
    first.blendColor = {255, 0, 0, 255};
    EffectorParams second = NeutralParams(&layer.world);
    HalfWeightLinear(second);
    second.absolute = 1;
    second.absSize = 10;
    second.absAspect = 20;
    second.absRotation = Fixed(0);
    second.absOpacity = 80;
    second.shiftHue = Fixed(-120);  // at weight 0.5: -60 degrees
    EffectorState<Pixel8> states[3];
    InitEffectorState(states[0], first, 100, 100);
    InitEffectorState(states[1], second, 100, 100);
    InitEffectorState(states[2], NeutralParams(&layer.world), 100, 100);
    states[2].params.enable = 0;

    auto dot = MakeDot<Pixel8>(0, -50, MakePixel<Pixel8>(255, 255, 255, 255));
    ApplyEffectors(states, dot, false);
    EXPECT_DOUBLE_EQ(dot.size, 0.5 * 40 + 0.5 * 10);  // effector 2 sees effector 1's size
    // Effector 1 made the dot blue, effector 2 turned blue by -60 degrees: cyan.  (The other
    // way round the white dot would have no hue to turn and would end blue.)
    EXPECT_EQ(dot.color.red, 0);
    EXPECT_EQ(dot.color.green, 255);
    EXPECT_EQ(dot.color.blue, 255);
}

TEST_F(EffectorTest, PickSourceColourWithTilingNoneKeepsColourOffTheImage) {
    MapImage<Pixel8> img(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) img.At(x, y) = MakePixel<Pixel8>(255, 10 * x, 100 + y, 7);
    EffectorParams p = NeutralParams(&img.world);
    p.effectMap = kEffectMapCustom;
    p.position = {Fixed(2), Fixed(1)};  // dot (x, y) reads image (x, y)
    p.pickSourceColor = 1;
    const auto state = MakeState<Pixel8>(p);

    auto inside = MakeDot<Pixel8>(3, 1, MakePixel<Pixel8>(9, 9, 9, 9));
    ApplyEffector(state, inside, false);
    EXPECT_EQ(inside.color.red, 30);
    EXPECT_EQ(inside.color.green, 101);
    auto outside = MakeDot<Pixel8>(4, 1, MakePixel<Pixel8>(9, 9, 9, 9));
    ApplyEffector(state, outside, false);
    EXPECT_EQ(outside.color.alpha, 9);
    EXPECT_EQ(outside.color.red, 9);

    // Repeat wraps instead.
    p.tiling = 2;
    auto wrapped = MakeDot<Pixel8>(5, 3, MakePixel<Pixel8>(9, 9, 9, 9));
    ApplyEffector(MakeState<Pixel8>(p), wrapped, false);
    EXPECT_EQ(wrapped.color.red, 10);
    EXPECT_EQ(wrapped.color.green, 101);

    // Without Pick Source Color the colour is untouched.
    p.pickSourceColor = 0;
    auto kept = MakeDot<Pixel8>(3, 1, MakePixel<Pixel8>(9, 9, 9, 9));
    ApplyEffector(MakeState<Pixel8>(p), kept, false);
    EXPECT_EQ(kept.color.red, 9);
}

TEST_F(EffectorTest, FitToLayerStretchesTheImageOverTheDotLayer) {
    MapImage<Pixel8> img(100, 50);
    img.Fill(MakePixel<Pixel8>(255, 0, 0, 0));
    img.At(50, 25) = MakePixel<Pixel8>(255, 255, 255, 255);
    img.At(99, 49) = MakePixel<Pixel8>(255, 1, 2, 3);
    EffectorParams p = NeutralParams(&img.world);
    p.effectMap = kEffectMapCustom;
    p.fitToLayer = 1;
    p.pickSourceColor = 1;
    p.absolute = 1;
    p.absSize = 0;
    p.position = {Fixed(123), Fixed(45)};  // ignored with Fit to Layer
    p.angle = Fixed(33);
    const auto state = MakeState<Pixel8>(p, 1000, 500);

    auto centre = MakeDot<Pixel8>(500, 250, MakePixel<Pixel8>(255, 9, 9, 9));
    ApplyEffector(state, centre, false);
    EXPECT_EQ(centre.color.red, 255);
    EXPECT_EQ(centre.size, 0.0);  // white: weight 1

    auto corner = MakeDot<Pixel8>(994, 494, MakePixel<Pixel8>(255, 9, 9, 9));
    ApplyEffector(state, corner, false);
    EXPECT_EQ(corner.color.red, 1);
    EXPECT_EQ(corner.color.blue, 3);

    auto dark = MakeDot<Pixel8>(100, 100, MakePixel<Pixel8>(255, 9, 9, 9));
    ApplyEffector(state, dark, false);
    EXPECT_EQ(dark.size, 20.0);  // black: weight 0
}

TEST_F(EffectorTest, FitToLayerOverAnEmptyDotLayerCoversNothing) {
    MapImage<Pixel8> img(8, 8);
    img.Fill(MakePixel<Pixel8>(255, 255, 255, 255));
    EffectorParams p = NeutralParams(&img.world);
    p.effectMap = kEffectMapCustom;
    p.fitToLayer = 1;
    p.pickSourceColor = 1;
    p.tiling = 2;
    p.ratioSize = 5;
    for (auto size : {std::pair<int32_t, int32_t>{0, 0}, {0, 10}, {10, 0}}) {
        const auto state = MakeState<Pixel8>(p, size.first, size.second);
        ASSERT_NE(state.layerMap, nullptr);
        EXPECT_TRUE(state.layerMap->CoversNothing());
        auto dot = MakeDot<Pixel8>(0, 0, MakePixel<Pixel8>(255, 9, 9, 9));
        ApplyEffector(state, dot, false);
        EXPECT_EQ(dot.size, 20.0);
        EXPECT_EQ(dot.color.red, 9);
    }
}

TEST_F(EffectorTest, PickedColoursAreBroughtIntoTheDepthsRange) {
    // 16-bit images may hold channels up to 65535; the dot colour is limited to 32768.
    MapImage<Pixel16> img16(2, 2);
    img16.Fill(MakePixel<Pixel16>(65535, 65535, 40000, 0));
    EffectorParams p = NeutralParams(&img16.world);
    p.effectMap = kEffectMapCustom;
    p.position = {Fixed(1), Fixed(1)};
    p.pickSourceColor = 1;
    p.color = 1;
    p.blendMode = 13;  // "Difference"
    p.blendColor = {255, 255, 0, 255};
    auto dot = MakeDot<Pixel16>(1, 1, MakePixel<Pixel16>(1, 1, 1, 1));
    ApplyEffector(MakeState<Pixel16>(p), dot, false);
    EXPECT_EQ(dot.color.alpha, 32768);
    EXPECT_EQ(dot.color.red, 0);
    EXPECT_EQ(dot.color.green, 32768);
    EXPECT_EQ(dot.color.blue, 32768);

    // Float colours are limited to 1.0 after the pick.
    MapImage<Pixel32> imgF(2, 2);
    imgF.Fill(MakePixel<Pixel32>(3.0, 2.0, 0.5, -1.0));
    EffectorParams pf = NeutralParams(&imgF.world);
    pf.effectMap = kEffectMapCustom;
    pf.position = {Fixed(1), Fixed(1)};
    pf.pickSourceColor = 1;
    pf.absolute = 1;
    pf.absSize = 4;
    auto dotF = MakeDot<Pixel32>(1, 1, MakePixel<Pixel32>(0.5, 0.5, 0.5, 0.5));
    ApplyEffector(MakeState<Pixel32>(pf), dotF, false);
    EXPECT_EQ(dotF.color.alpha, 1.0f);
    EXPECT_EQ(dotF.color.red, 1.0f);
    EXPECT_EQ(dotF.color.green, 0.5f);
    EXPECT_EQ(dotF.color.blue, -1.0f);
    EXPECT_EQ(dotF.size, 4.0);  // weight (0.298912 * 2 + 0.586611 * 0.5 - 0.114478) * 3 > 1
}

TEST_F(EffectorTest, NotANumberWeightCountsAsZero) {
    MapImage<Pixel32> img(2, 2);
    img.Fill(MakePixel<Pixel32>(1.0, std::numeric_limits<float>::quiet_NaN(), 1.0, 1.0));
    EffectorParams p = NeutralParams(&img.world);
    p.effectMap = kEffectMapCustom;
    p.position = {Fixed(1), Fixed(1)};
    p.ratioSize = 3;
    p.shiftHue = Fixed(90);
    auto dot = MakeDot<Pixel32>(1, 1, MakePixel<Pixel32>(1, 1, 0, 0));
    const auto state = MakeState<Pixel32>(p);
    EXPECT_TRUE(std::isnan(state.map->Value(1, 1)));
    ApplyEffector(state, dot, false);
    EXPECT_EQ(dot.size, 20.0);
    EXPECT_EQ(dot.color.red, 1.0f);
    EXPECT_EQ(dot.color.green, 0.0f);
}

}  // namespace
