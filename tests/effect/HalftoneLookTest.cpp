// The looks users build with effectors, checked on the rendered image: dot area measured as
// the alpha the dots leave over a cleared background.
#include <cmath>
#include <vector>

#include "look/Choices.h"
#include "render/base/Constants.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

class HalftoneLook : public WholeFrameTest {
protected:
    // Circles of `size` on centres `size` apart (touching), grid centre in the middle of the
    // layer, over a cleared background: the output's alpha is the dots' coverage.
    void Grid(A_long width, A_long height, double size) {
        CentredLayer(width, height);
        Values().SetFloat(Index(ParamId::DotSize), size);
        Values().SetPopup(Index(ParamId::DistanceBetween), kDistanceCenters);
        Values().SetFloat(Index(ParamId::DotDistanceX), size);
        Values().SetFloat(Index(ParamId::DotDistanceY), size);
        Values().SetCheckbox(Index(ParamId::ClearBackground), true);
    }

    // Effector 1 takes every dot it reaches to "ABS Size" 0, by the weight of its map.
    void ShrinkingEffector(A_long effectMap) {
        const ParamId::Effector fx = ParamId::EffectorIds(0);
        Values().SetCheckbox(Index(fx.enable), true);
        Values().SetPopup(Index(fx.effectMap), effectMap);
        Values().SetCheckbox(Index(fx.absolute), true);
        Values().SetFloat(Index(fx.absSize), 0);
    }
    void DisableEffector() { Values().SetCheckbox(Index(ParamId::EffectorIds(0).enable), false); }
};

// The classic halftone: "Use Custom Map" on the layer itself, "Fit to Layer", "Absolute" with
// "ABS Size" 0, over a grey ramp from black (left) to white (right).  Each dot column's area
// must fall steadily from the dark end to the bright end, as (1 - grey)^2 of the full dot:
// the weight is the luminance under the dot, the size 1 - weight of the full size.
TEST_F(HalftoneLook, DotAreaFallsWithBrightnessOverAGreyRamp) {
    constexpr A_long kW = 200, kH = 40;
    constexpr double kSize = 10;  // dot columns at x = 0, 10, ..., 200
    Grid(kW, kH, kSize);
    const ParamId::Effector fx = ParamId::EffectorIds(0);
    ShrinkingEffector(1);  // Use Custom Map
    Values().SetCheckbox(Index(fx.fitToLayer), true);
    for (PF_PixelFormat format : kDepths) {
        SCOPED_TRACE(DepthName(format));
        Image ramp(format, kW, kH);
        PaintHorizontalRamp(ramp, {255, 0, 0, 0}, {255, 255, 255, 255});
        Values().SetCheckbox(Index(fx.enable), true);
        const std::unique_ptr<Image> out = Render(ramp, {0});
        DisableEffector();
        const std::unique_ptr<Image> plain = Render(ramp, {0});
        ASSERT_TRUE(out && plain);
        const UnitImage look = ToUnit(*out), full = ToUnit(*plain);

        // One band per whole dot column (the half columns at the edges left out).
        std::vector<double> share;
        for (int c = 10; c <= 190; c += 10) {
            const double area = look.Coverage(c - 5, 0, c + 5, kH);
            const double fullArea = full.Coverage(c - 5, 0, c + 5, kH);
            ASSERT_GT(fullArea, 0.7 * kPi * 25 * 4) << "four whole-or-half dots per band";
            share.push_back(area / fullArea);
            const double grey = std::round(255.0 * c / (kW - 1)) / 255.0;
            EXPECT_NEAR(share.back(), (1 - grey) * (1 - grey), 0.05) << "band at x = " << c;
        }
        for (size_t i = 1; i < share.size(); ++i)
            EXPECT_LT(share[i], share[i - 1]) << "band " << i << " is not smaller than the one before";
        EXPECT_GT(share.front(), 0.8);
        EXPECT_LT(share.back(), 0.01);
    }
}

// A radial effector (the default map, "Falloff" 100 %) shrinking the dots toward its
// position: no dot at the centre, whole dots beyond the radius, and in between each dot's
// area follows the map's cosine ease, the same on every side.
TEST_F(HalftoneLook, RadialEffectorHollowsOutTheDotsAroundItsPosition) {
    constexpr A_long kW = 120, kH = 120;
    constexpr double kSize = 12, kRadius = 50;  // dots at 0, 12, ..., 120; effector at (60, 60)
    Grid(kW, kH, kSize);
    ShrinkingEffector(3);  // Radial
    Values().SetFloat(Index(ParamId::EffectorIds(0).size), kRadius);
    Image input(PF_PixelFormat_ARGB32, kW, kH);
    input.Fill(Pixel8{255, 128, 128, 128});
    // "Custom Map Layer" stays at its default, this layer: without an image the effector
    // would not act, whatever its map.
    const std::unique_ptr<Image> out = Render(input, {0});
    ASSERT_TRUE(out);
    const UnitImage look = ToUnit(*out);
    const double fullArea = look.Coverage(6, 6, 18, 18);  // the dot at (12, 12), out of reach
    ASSERT_GT(fullArea, 0.9 * kPi * 36);

    int inside = 0;
    for (int cy = 12; cy <= 108; cy += 12) {
        for (int cx = 12; cx <= 108; cx += 12) {
            const double d = std::hypot(cx - 60.0, cy - 60.0);
            const double w = d > kRadius ? 0.0 : std::cos(d * kPi / kRadius) * 0.5 + 0.5;
            const double share = look.Coverage(cx - 6, cy - 6, cx + 6, cy + 6) / fullArea;
            EXPECT_NEAR(share, (1 - w) * (1 - w), 0.05) << "dot at " << cx << ", " << cy;
            if (d == 0) {
                EXPECT_EQ(share, 0.0) << "the centre dot has size 0";
            } else if (d > kRadius) {
                EXPECT_EQ(share, 1.0) << "dot at " << cx << ", " << cy;
            }
            inside += d < kRadius;
        }
    }
    EXPECT_GT(inside, 20);
}

}  // namespace
}  // namespace tonedot::test
