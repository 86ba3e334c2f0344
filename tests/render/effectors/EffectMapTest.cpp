// Effect map weights, layer map sampling with every tiling mode, and the map handle.
#include <gtest/gtest.h>
#include <cmath>
#include <memory>
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/effectors/EffectMapHandle.h"
#include "render/effectors/LayerEffectMap.h"
#include "render/effectors/LinearEffectMap.h"
#include "render/effectors/RadialEffectMap.h"
#include "tests/render/effectors/MapImage.h"

using namespace Look;
using namespace Render;

namespace {

TEST(LinearEffectMap, UnmirroredAtAngleZero) {
    // Solid width 25, falloff width 25, measured upward from the line y = 100.
    const LinearEffectMap map(100, 100, 0, 50, 0.5, false);
    EXPECT_EQ(map.Value(100, 100), 1.0);
    EXPECT_EQ(map.Value(-500, 1000), 1.0);  // behind the line
    EXPECT_EQ(map.Value(100, 80), 1.0);     // within the solid width
    EXPECT_DOUBLE_EQ(map.Value(100, 62.5), 0.5);
    EXPECT_DOUBLE_EQ(map.Value(7, 70), 0.8);
    EXPECT_EQ(map.Value(100, 50), 0.0);  // at distance size
    EXPECT_EQ(map.Value(100, 49), 0.0);
}

TEST(LinearEffectMap, MirroredFallsOnBothSides) {
    const LinearEffectMap map(100, 100, 0, 50, 0.5, true);
    EXPECT_EQ(map.Value(0, 100), 1.0);
    EXPECT_DOUBLE_EQ(map.Value(0, 62.5), 0.5);
    EXPECT_DOUBLE_EQ(map.Value(0, 137.5), 0.5);
    EXPECT_EQ(map.Value(0, 151), 0.0);
    EXPECT_EQ(map.Value(0, 49), 0.0);
}

TEST(LinearEffectMap, RightAnglesUseExactSineAndCosine) {
    // 90 degrees: t = x - centre x exactly, so the weight is independent of y.
    const LinearEffectMap right(100, 100, 90, 40, 1.0, false);
    EXPECT_EQ(right.Value(90, 1e9), 1.0);
    EXPECT_DOUBLE_EQ(right.Value(110, -1e9), 0.75);
    EXPECT_DOUBLE_EQ(right.Value(110, 1e9), 0.75);
    // 180 degrees: t = y - centre y, the full side lies above the line.
    const LinearEffectMap flipped(100, 100, 180, 40, 1.0, false);
    EXPECT_EQ(flipped.Value(1e9, 50), 1.0);
    EXPECT_DOUBLE_EQ(flipped.Value(-1e9, 120), 0.5);
    // -270 is 90 again.
    const LinearEffectMap wrapped(100, 100, -270, 40, 1.0, false);
    EXPECT_DOUBLE_EQ(wrapped.Value(120, 1e9), 0.5);
    // 45 degrees: distance measured along the normal.
    const LinearEffectMap diagonal(0, 0, 45, 10, 1.0, true);
    EXPECT_NEAR(diagonal.Value(5 / std::sqrt(2.0), -5 / std::sqrt(2.0)), 0.5, 1e-12);
    EXPECT_NEAR(diagonal.Value(100, 100), 1.0, 1e-12);  // on the line
}

TEST(LinearEffectMap, ZeroFalloffIsFullEverywhere) {
    const LinearEffectMap map(0, 0, 30, 10, 0.0, true);
    EXPECT_EQ(map.Value(1e6, -1e6), 1.0);
    EXPECT_EQ(map.Value(0, 0), 1.0);
}

TEST(RadialEffectMap, ZeroFalloffIsAHardDisc) {
    const RadialEffectMap map(50, 50, 200, 0.0, false);
    EXPECT_EQ(map.Value(50, 50), 1.0);
    EXPECT_EQ(map.Value(250, 50), 1.0);
    EXPECT_EQ(map.Value(250.01, 50), 0.0);
    EXPECT_EQ(map.Value(50, -150.01), 0.0);
}

TEST(RadialEffectMap, FullFalloffEasesFromTheCentre) {
    const RadialEffectMap map(0, 0, 200, 1.0, false);
    EXPECT_EQ(map.Value(0, 0), 1.0);
    EXPECT_NEAR(map.Value(60, 80), 0.5, 1e-12);
    EXPECT_NEAR(map.Value(200, 0), 0.0, 1e-12);
    EXPECT_EQ(map.Value(0, 201), 0.0);
    EXPECT_NEAR(map.Value(50, 0), std::cos(0.25 * kPi) * 0.5 + 0.5, 1e-12);
}

TEST(RadialEffectMap, MirrorFoldsIntoARing) {
    const RadialEffectMap map(0, 0, 200, 0.5, true);
    EXPECT_NEAR(map.Value(0, 0), 0.0, 1e-12);
    EXPECT_EQ(map.Value(100, 0), 1.0);
    EXPECT_NEAR(map.Value(0, 200), 0.0, 1e-12);
    // Folded distances: 50 and 150 both fold to 100, the solid radius; 25 and 175 to 150.
    EXPECT_EQ(map.Value(50, 0), 1.0);
    EXPECT_EQ(map.Value(0, -150), 1.0);
    EXPECT_NEAR(map.Value(25, 0), 0.5, 1e-12);
    EXPECT_NEAR(map.Value(175, 0), 0.5, 1e-12);
}

// A 10 x 4 image whose pixel (u, v) has red = u + 1 and green = v + 1.
template <class P>
struct CoordImage : MapImage<P> {
    CoordImage() : MapImage<P>(10, 4, 3) {
        for (int v = 0; v < 4; ++v)
            for (int u = 0; u < 10; ++u) this->At(u, v) = MakePixel<P>(1, u + 1, v + 1, 0);
    }
};

// With angle 0, scale 1 and the centre at the image's centre, dot (x, y) reads image (x, y).
LayerEffectMap<Pixel8> IdentityMap(const PF_EffectWorld& image, int32_t tilingPopup) {
    return LayerEffectMap<Pixel8>(5, 2, 0, 1, 1, tilingPopup, &image);
}

int Column(const LayerEffectMap<Pixel8>& map, double x) { return map.Sample(x, 1).red - 1; }
int Row(const LayerEffectMap<Pixel8>& map, double y) { return map.Sample(3, y).green - 1; }

TEST(LayerEffectMap, TilingRepeatAtAndBeyondBothEdges) {
    CoordImage<Pixel8> img;
    const auto map = IdentityMap(img.world, 2);
    EXPECT_EQ(map.Tiling(), kTilingRepeat);
    EXPECT_EQ(Column(map, 0), 0);
    EXPECT_EQ(Column(map, 9), 9);
    EXPECT_EQ(Column(map, -1), 9);
    EXPECT_EQ(Column(map, 10), 0);
    EXPECT_EQ(Column(map, -10), 0);
    EXPECT_EQ(Column(map, -11), 9);
    EXPECT_EQ(Column(map, 23), 3);
    EXPECT_EQ(Row(map, -1), 3);
    EXPECT_EQ(Row(map, 4), 0);
    EXPECT_EQ(Row(map, -6), 2);
    // Far beyond 32-bit coordinates.
    EXPECT_EQ(Column(map, 3000000007.0), 7);
    EXPECT_EQ(Column(map, -3000000007.0), 3);
    const Pixel8 huge = map.Sample(1e300, -1e300);
    EXPECT_GE(huge.red, 1);
    EXPECT_LE(huge.red, 10);
}

TEST(LayerEffectMap, TilingMirrorAtAndBeyondBothEdges) {
    CoordImage<Pixel8> img;
    const auto map = IdentityMap(img.world, 3);
    EXPECT_EQ(Column(map, -1), 1);  // the edge column is not repeated on the left
    EXPECT_EQ(Column(map, -9), 9);
    EXPECT_EQ(Column(map, 10), 9);  // but is on the right
    EXPECT_EQ(Column(map, 11), 8);
    EXPECT_EQ(Column(map, 19), 0);
    EXPECT_EQ(Column(map, 20), 0);
    EXPECT_EQ(Row(map, -1), 1);
    EXPECT_EQ(Row(map, 4), 3);
    EXPECT_EQ(Row(map, 5), 2);
    EXPECT_EQ(Column(map, 3000000005.0), 5);   // 300000000 even: 5
    EXPECT_EQ(Column(map, 3000000015.0), 4);   // odd: 10 - 5 - 1
}

TEST(LayerEffectMap, TilingExtendEdgeClamps) {
    CoordImage<Pixel8> img;
    const auto map = IdentityMap(img.world, 4);
    EXPECT_EQ(Column(map, -5), 0);
    EXPECT_EQ(Column(map, 15), 9);
    EXPECT_EQ(Column(map, -4e12), 0);
    EXPECT_EQ(Row(map, -1), 0);
    EXPECT_EQ(Row(map, 40), 3);
}

TEST(LayerEffectMap, TilingNoneGivesTheOutsideColour) {
    CoordImage<Pixel8> img;
    const auto map = IdentityMap(img.world, 1);
    EXPECT_EQ(Column(map, 0), 0);
    EXPECT_EQ(Column(map, 9), 9);
    for (auto xy : {std::pair<double, double>{-1, 1}, {10, 1}, {3, -1}, {3, 4}, {-1, -1}}) {
        const Pixel8 p = map.Sample(xy.first, xy.second);
        EXPECT_EQ(p.alpha, 255);
        EXPECT_EQ(p.red, 0);
        EXPECT_EQ(p.green, 0);
        EXPECT_EQ(p.blue, 0);
        EXPECT_EQ(map.Value(xy.first, xy.second), 0.0);
    }
    // An unrecognised tiling value leaves coordinates alone: inside reads, outside is black.
    const auto unknown = IdentityMap(img.world, 9);
    EXPECT_EQ(unknown.Tiling(), kTilingUnknown);
    EXPECT_EQ(Column(unknown, 4), 4);
    EXPECT_EQ(unknown.Sample(-1, 1).red, 0);
    EXPECT_EQ(unknown.Sample(-1, 1).alpha, 255);
}

TEST(LayerEffectMap, NearestPixelRoundsHalvesUp) {
    CoordImage<Pixel8> img;
    const auto map = IdentityMap(img.world, 1);
    EXPECT_EQ(Column(map, 2.49), 2);
    EXPECT_EQ(Column(map, 2.5), 3);
    EXPECT_EQ(Column(map, -0.5), 0);
    EXPECT_EQ(map.Sample(-0.51, 1).red, 0);  // off the image
}

TEST(LayerEffectMap, TransformTurnsScalesAndCentres) {
    MapImage<Pixel8> img(100, 50);
    // Fit to Layer of a 100 x 50 image over a 1000 x 500 dot layer.
    const LayerEffectMap<Pixel8> fit(500, 250, 0, 0.1, 0.1, 1, &img.world);
    int64_t u, v;
    fit.ImageCoordinates(500, 250, u, v);
    EXPECT_EQ(u, 50);
    EXPECT_EQ(v, 25);
    fit.ImageCoordinates(0, 0, u, v);
    EXPECT_EQ(u, 0);
    EXPECT_EQ(v, 0);
    fit.ImageCoordinates(994, 494, u, v);
    EXPECT_EQ(u, 99);
    EXPECT_EQ(v, 49);
    // Turned by 90 degrees about (300, 200): a point 10 right of the centre lands 10 below
    // the image centre, a point 10 below lands 10 left.
    const LayerEffectMap<Pixel8> turned(300, 200, 90, 1, 1, 1, &img.world);
    turned.ImageCoordinates(310, 200, u, v);
    EXPECT_EQ(u, 50);
    EXPECT_EQ(v, 35);
    turned.ImageCoordinates(300, 210, u, v);
    EXPECT_EQ(u, 40);
    EXPECT_EQ(v, 25);
    // Without an image the transform is the identity.
    const LayerEffectMap<Pixel8> none(300, 200, 90, 3, 3, 2, nullptr);
    none.ImageCoordinates(7, 8, u, v);
    EXPECT_EQ(u, 7);
    EXPECT_EQ(v, 8);
    EXPECT_EQ(none.Tiling(), kTilingRepeat);
    EXPECT_EQ(none.OutsideColor().alpha, 255);
}

TEST(LayerEffectMap, ReadsRowsThroughRowBytes) {
    CoordImage<Pixel16> img;  // rows padded by 3 pixels
    const LayerEffectMap<Pixel16> map(5, 2, 0, 1, 1, 1, &img.world);
    const Pixel16 p = map.Sample(7, 3);
    EXPECT_EQ(p.red, 8);
    EXPECT_EQ(p.green, 4);
}

TEST(LayerEffectMap, ValueIsLuminanceTimesAlphaPerDepth) {
    MapImage<Pixel8> img8(1, 1);
    img8.At(0, 0) = MakePixel<Pixel8>(255, 255, 255, 255);
    const LayerEffectMap<Pixel8> map8(0, 0, 0, 1, 1, 4, &img8.world);
    EXPECT_EQ(map8.Value(0, 0), 1.0);  // L / 255 is slightly above 1 and limited
    img8.At(0, 0) = MakePixel<Pixel8>(51, 255, 255, 255);
    EXPECT_DOUBLE_EQ(map8.Value(0, 0), 51.0 / 255.0);
    img8.At(0, 0) = MakePixel<Pixel8>(255, 255, 0, 0);
    EXPECT_DOUBLE_EQ(map8.Value(0, 0), 0.298912);
    img8.At(0, 0) = MakePixel<Pixel8>(0, 255, 255, 255);
    EXPECT_EQ(map8.Value(0, 0), 0.0);

    MapImage<Pixel16> img16(1, 1);
    img16.At(0, 0) = MakePixel<Pixel16>(16384, 0, 32768, 0);
    const LayerEffectMap<Pixel16> map16(0, 0, 0, 1, 1, 4, &img16.world);
    EXPECT_DOUBLE_EQ(map16.Value(0, 0), 0.586611 * 0.5);
    img16.At(0, 0) = MakePixel<Pixel16>(32768, 65535, 65535, 65535);
    EXPECT_DOUBLE_EQ(map16.Value(0, 0), 1.0);

    MapImage<Pixel32> imgf(1, 1);
    imgf.At(0, 0) = MakePixel<Pixel32>(0.5, 2.0, 2.0, 2.0);  // no limit in float
    const LayerEffectMap<Pixel32> mapf(0, 0, 0, 1, 1, 4, &imgf.world);
    EXPECT_NEAR(mapf.Value(0, 0), 1.000001, 1e-9);
}

TEST(LayerEffectMap, ImageWithoutPixelsSamplesOpaqueBlack) {
    MapImage<Pixel8> empty(0, 0);
    const LayerEffectMap<Pixel8> map(0, 0, 0, 1, 1, 2, &empty.world);
    EXPECT_EQ(map.Sample(0, 0).alpha, 255);
    EXPECT_EQ(map.Value(0, 0), 0.0);
    Pixel8 p = MakePixel<Pixel8>(1, 2, 3, 4);
    EXPECT_FALSE(map.PixelUnder(0, 0, p));
    EXPECT_EQ(p.red, 2);

    MapImage<Pixel8> noData(4, 4);
    noData.world.data = nullptr;
    const LayerEffectMap<Pixel8> map2(2, 2, 0, 1, 1, 1, &noData.world);
    EXPECT_TRUE(map2.PixelUnder(1, 1, p));
    EXPECT_EQ(p.alpha, 255);
    EXPECT_EQ(p.red, 0);
}

TEST(LayerEffectMap, CoveringNothingNeverReads) {
    MapImage<Pixel8> img(4, 4);
    img.Fill(MakePixel<Pixel8>(255, 255, 255, 255));
    const LayerEffectMap<Pixel8> map(0, 0, 0, 1, 1, 2, &img.world,
                                     LayerEffectMap<Pixel8>::Coverage::Nothing);
    EXPECT_TRUE(map.CoversNothing());
    EXPECT_EQ(map.Value(1, 1), 0.0);
    EXPECT_EQ(map.Sample(1, 1).red, 0);
    Pixel8 p{};
    EXPECT_FALSE(map.PixelUnder(1, 1, p));
}

// A map that records its destruction.
struct CountingMap : BaseEffectMap {
    explicit CountingMap(int* deleted) : deleted_(deleted) {}
    ~CountingMap() override { ++*deleted_; }
    double Value(double, double) const override { return 0.25; }
    int* deleted_;
};

TEST(EffectMapHandle, CountsCopiesAndDeletesWithTheLast) {
    int deleted = 0;
    {
        EffectMapHandle a(new CountingMap(&deleted));
        EXPECT_EQ(a.UseCount(), 1);
        EXPECT_EQ(a->Value(0, 0), 0.25);
        {
            EffectMapHandle b = a;
            EXPECT_EQ(a.UseCount(), 2);
            EffectMapHandle c;
            c = b;
            EXPECT_EQ(a.UseCount(), 3);
            EffectMapHandle d = std::move(c);
            EXPECT_FALSE(c);
            EXPECT_EQ(d.UseCount(), 3);
        }
        EXPECT_EQ(a.UseCount(), 1);
        EXPECT_EQ(deleted, 0);
        EffectMapHandle other(new CountingMap(&deleted));
        other = a;  // drops other's own map
        EXPECT_EQ(deleted, 1);
        EXPECT_EQ(a.UseCount(), 2);
        a.Release();
        EXPECT_FALSE(a);
        EXPECT_EQ(deleted, 1);
        EXPECT_EQ(other.UseCount(), 1);
    }
    EXPECT_EQ(deleted, 2);
}

}  // namespace
