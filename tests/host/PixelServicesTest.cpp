// The stand-in host's fill, copy and in-front transfer, which the render tests read results
// through, checked against hand-computed pixels in each depth.
#include <gtest/gtest.h>

#include "AEUtil/Pixel.h"
#include "host/Image.h"
#include "host/PixelServices.h"

namespace tonedot::test {
namespace {

template <class P>
P Px(double a, double r, double g, double b) {
    using T = PixelTraits<P>;
    auto c = [](double v) {
        if constexpr (T::isFloat) return static_cast<float>(v);
        else return static_cast<typename T::Channel>(v * T::maxValue + 0.5);
    };
    return P{c(a), c(r), c(g), c(b)};
}

template <class P>
class PixelServicesTest : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, Pixel32>;
TYPED_TEST_SUITE(PixelServicesTest, Depths);

template <class P>
void ExpectNear(const P& got, const P& want, const char* where) {
    const double tol = PixelTraits<P>::isFloat ? 1e-6 : 1.0;
    EXPECT_NEAR(got.alpha, want.alpha, tol) << where;
    EXPECT_NEAR(got.red, want.red, tol) << where;
    EXPECT_NEAR(got.green, want.green, tol) << where;
    EXPECT_NEAR(got.blue, want.blue, tol) << where;
}

TYPED_TEST(PixelServicesTest, FillTakesAnEightBitColourInEveryDepth) {
    using P = TypeParam;
    Image image(PixelTraits<P>::pixelFormat, 4, 3);
    image.FillBytes(0x33);
    const PF_Pixel colour = {255, 0, 255, 0};
    const PF_Rect rect = {1, 1, 3, 2};
    ASSERT_EQ(kFillMatteSuite2.fill(nullptr, &colour, &rect, image.World()), PF_Err_NONE);
    ExpectNear(image.At<P>(1, 1), Px<P>(1, 0, 1, 0), "inside");
    EXPECT_EQ(image.At<P>(0, 0).alpha, image.At<P>(3, 2).alpha) << "outside untouched";
    EXPECT_NE(image.At<P>(0, 1).red, image.At<P>(1, 1).red);
}

TYPED_TEST(PixelServicesTest, CopyMovesARectangle) {
    using P = TypeParam;
    Image src(PixelTraits<P>::pixelFormat, 3, 3);
    Image dst(PixelTraits<P>::pixelFormat, 4, 4);
    src.At<P>(2, 1) = Px<P>(1, 0.5, 0.25, 0);
    PF_Rect s = {1, 0, 3, 2};
    PF_Rect d = {2, 2, 4, 4};
    ASSERT_EQ(kWorldTransformSuite1.copy(nullptr, src.World(), dst.World(), &s, &d), PF_Err_NONE);
    ExpectNear(dst.At<P>(3, 3), Px<P>(1, 0.5, 0.25, 0), "copied pixel");
}

TYPED_TEST(PixelServicesTest, TransferLaysTheSourceInFrontThroughTheMask) {
    using P = TypeParam;
    const PF_PixelFormat f = PixelTraits<P>::pixelFormat;
    Image dots(f, 2, 1);
    Image out(f, 2, 1);
    Image mask(f, 1, 1);
    dots.At<P>(0, 0) = Px<P>(0.5, 1, 0, 0);  // half-transparent red
    dots.At<P>(1, 0) = Px<P>(1, 0, 0, 1);    // opaque blue
    out.Fill(Px<P>(1, 0, 1, 0));             // opaque green
    mask.At<P>(0, 0) = Px<P>(1, 0, 0, 0);
    PF_CompositeMode mode = {PF_Xfer_IN_FRONT, 0, 255, 0, 32768};
    PF_MaskWorld m{};
    m.mask = *mask.World();
    m.offset = {1, 0};  // covers only pixel 1
    const PF_Rect all = {0, 0, 2, 1};
    ASSERT_EQ(kWorldTransformSuite1.transfer_rect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                                  PF_Field_FRAME, &all, dots.World(), &mode, &m,
                                                  0, 0, out.World()),
              PF_Err_NONE);
    ExpectNear(out.At<P>(0, 0), Px<P>(1, 0, 1, 0), "outside the mask: unchanged");
    ExpectNear(out.At<P>(1, 0), Px<P>(1, 0, 0, 1), "inside: the dot");

    // Inverted, the same mask lets pixel 0 through and keeps pixel 1.
    out.Fill(Px<P>(1, 0, 1, 0));
    m.what_is_mask = PF_MaskFlag_INVERTED;
    kWorldTransformSuite1.transfer_rect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                        PF_Field_FRAME, &all, dots.World(), &mode, &m, 0, 0,
                                        out.World());
    ExpectNear(out.At<P>(0, 0), Px<P>(1, 0.5, 0.5, 0), "half red over green");
    ExpectNear(out.At<P>(1, 0), Px<P>(1, 0, 1, 0), "masked out");

    // No mask: both land; over transparency the colour stays straight.
    out.Fill(Px<P>(0, 0, 0, 0));
    kWorldTransformSuite1.transfer_rect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                        PF_Field_FRAME, &all, dots.World(), &mode, nullptr, 0, 0,
                                        out.World());
    ExpectNear(out.At<P>(0, 0), Px<P>(0.5, 1, 0, 0), "straight colour kept");
}

TEST(PixelServices, RefuseMismatchedDepths) {
    Image a(PF_PixelFormat_ARGB32, 2, 2);
    Image b(PF_PixelFormat_ARGB64, 2, 2);
    EXPECT_EQ(kWorldTransformSuite1.copy(nullptr, a.World(), b.World(), nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace tonedot::test
