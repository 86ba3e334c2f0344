// The render driver's arithmetic: where the source lands, how sizes follow the downsampling,
// and what the dot layer transfer hands the host.
#include <gtest/gtest.h>

#include "AEUtil/RenderPlumbing.h"
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "render/frame/DotLayerTransfer.h"
#include "render/frame/RenderFrame.h"

using namespace Look;
using namespace Render;

namespace {

PF_EffectWorld World(A_long w, A_long h, A_long ox = 0, A_long oy = 0) {
    PF_EffectWorld world{};
    world.width = w;
    world.height = h;
    world.origin_x = ox;
    world.origin_y = oy;
    return world;
}

void ExpectRect(const PF_Rect& r, A_long l, A_long t, A_long rt, A_long b) {
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rt);
    EXPECT_EQ(r.bottom, b);
}

TEST(SourceCopy, LandsAtTheOriginDifferenceClippedOnEverySide) {
    PF_Rect s, d;
    // Same origin: one to one.
    ASSERT_TRUE(SourceCopyRects(World(10, 8), World(10, 8), &s, &d));
    ExpectRect(s, 0, 0, 10, 8);
    ExpectRect(d, 0, 0, 10, 8);
    // Input further right and down: clipped at the output's right and bottom edges.
    ASSERT_TRUE(SourceCopyRects(World(10, 8, 5, 3), World(12, 9), &s, &d));
    ExpectRect(d, 5, 3, 12, 9);
    ExpectRect(s, 0, 0, 7, 6);
    // Input to the left of and above the output: clipped at the left and top too, and source
    // and destination keep the same size (the copy never stretches).
    ASSERT_TRUE(SourceCopyRects(World(10, 8, 0, 0), World(6, 6, 3, 4), &s, &d));
    ExpectRect(d, 0, 0, 6, 4);
    ExpectRect(s, 3, 4, 9, 8);
    EXPECT_EQ(s.right - s.left, d.right - d.left);
    EXPECT_EQ(s.bottom - s.top, d.bottom - d.top);
    // Nothing of the input on the output.
    EXPECT_FALSE(SourceCopyRects(World(4, 4, 20, 0), World(10, 10), &s, &d));
    EXPECT_FALSE(SourceCopyRects(World(4, 4, 0, 0), World(10, 10, 0, 4), &s, &d));
}

TEST(Downsampling, ScalesSizesByTheSmallerFactorAndDistancesByTheirAxis) {
    ParamValues v{};
    v.dotSize = 40;
    v.dotDistanceX = 20;
    v.dotDistanceY = 16;
    v.centerPosition = {100 << 16, 50 << 16};
    for (EffectorParams& e : v.effector) {
        e.size = 200;
        e.absSize = 8;
        e.offsetSize = -4;
        e.position = {10 << 16, 20 << 16};
        e.falloff = 50;
    }
    ScaleToDownsampling(v, 0.5, 0.25);
    EXPECT_DOUBLE_EQ(v.dotSize, 10);
    EXPECT_DOUBLE_EQ(v.dotDistanceX, 10);
    EXPECT_DOUBLE_EQ(v.dotDistanceY, 4);
    for (const EffectorParams& e : v.effector) {
        EXPECT_DOUBLE_EQ(e.size, 50);
        EXPECT_DOUBLE_EQ(e.absSize, 2);
        EXPECT_DOUBLE_EQ(e.offsetSize, -1);
        EXPECT_EQ(e.position.x, 10 << 16) << "positions stay as delivered";
        EXPECT_DOUBLE_EQ(e.falloff, 50) << "percentages are not sizes";
    }
    EXPECT_EQ(v.centerPosition.x, 100 << 16);
}

TEST(Downsampling, FactorsAndEmptyLayers) {
    EXPECT_DOUBLE_EQ(AEUtil::DownsampleFactor({1, 2}), 0.5);
    EXPECT_DOUBLE_EQ(AEUtil::DownsampleFactor({1, 0}), 1.0) << "no denominator, no scaling";
    PF_EffectWorld w = World(3, 3);
    EXPECT_EQ(AEUtil::LayerOrNull(&w), nullptr) << "no pixels";
    PF_Pixel pixel{};
    w.data = reinterpret_cast<PF_PixelPtr>(&pixel);
    EXPECT_EQ(AEUtil::LayerOrNull(&w), &w);
    w.width = 0;
    EXPECT_EQ(AEUtil::LayerOrNull(&w), nullptr) << "zero size";
    EXPECT_EQ(AEUtil::LayerOrNull(nullptr), nullptr);
}

TEST(MergeRect, TakesTheBoundingBoxAndIgnoresEmptyRects) {
    PF_LRect r = {0, 0, 0, 0};
    AEUtil::MergeRect(r, {10, 10, 50, 50});
    ExpectRect(r, 10, 10, 50, 50);
    AEUtil::MergeRect(r, {0, 20, 30, 60});
    ExpectRect(r, 0, 10, 50, 60);
    AEUtil::MergeRect(r, {5, 5, 5, 100});
    ExpectRect(r, 0, 10, 50, 60);
}

class Transfer : public ::testing::Test {
protected:
    PF_EffectWorld input = World(100, 60, 10, 20);
    PF_EffectWorld output = World(100, 60, 10, 20);
    PF_EffectWorld dots = World(320, 240);
    PF_EffectWorld maskLayer = World(50, 30);
    DotLayerTransfer t = {&input, &output, &dots, kMaskNormal, nullptr, false, true};
};

TEST_F(Transfer, SourceIsTheInputsAreaOrTheWholeLayer) {
    ExpectRect(TransferSourceRect(t), 10, 20, 110, 80);
    t.invertMask = true;
    ExpectRect(TransferSourceRect(t), 0, 0, 320, 240);
    t.smart = false;
    ExpectRect(TransferSourceRect(t), 10, 20, 110, 80);  // the plain path takes the input's
    t.smart = true;
    t.invertMask = false;
    t.mask = kMaskNone;
    ExpectRect(TransferSourceRect(t), 0, 0, 320, 240);
}

TEST_F(Transfer, MaskRecordPerMode) {
    PF_MaskWorld m;
    ASSERT_TRUE(TransferMask(t, &m));
    EXPECT_EQ(m.mask.width, 100);
    EXPECT_EQ(m.what_is_mask, PF_MaskFlag_NONE);
    EXPECT_EQ(m.offset.h, 0);
    t.invertMask = true;
    ASSERT_TRUE(TransferMask(t, &m));
    EXPECT_EQ(m.what_is_mask, PF_MaskFlag_INVERTED);
    EXPECT_EQ(m.offset.h, 10);
    EXPECT_EQ(m.offset.v, 20);

    t.mask = kMaskNone;
    EXPECT_FALSE(TransferMask(t, &m)) << "None passes no mask, inverted or not";

    t.mask = kMaskLayer;
    t.maskLayer = &maskLayer;
    ASSERT_TRUE(TransferMask(t, &m));
    EXPECT_EQ(m.mask.width, 50);
    EXPECT_EQ(m.offset.h, 30);  // floor((100 + 10 - 50) / 2 + 0.5)
    EXPECT_EQ(m.offset.v, 25);  // floor((60 + 20 - 30) / 2 + 0.5)
    EXPECT_EQ(m.what_is_mask, PF_MaskFlag_INVERTED);
    maskLayer.width = 51;
    TransferMask(t, &m);
    EXPECT_EQ(m.offset.h, 30) << "floor(29.5 + 0.5)";

    t.maskLayer = nullptr;
    t.invertMask = false;
    ASSERT_TRUE(TransferMask(t, &m)) << "an empty Layer record is still passed";
    EXPECT_EQ(m.mask.width, 0);
    EXPECT_EQ(m.mask.data, nullptr);
    EXPECT_EQ(m.offset.h, 0);
}

}  // namespace
