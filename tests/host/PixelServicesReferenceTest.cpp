// The stand-in host's fill, copy and transfer equal, byte for byte, the plain per-pixel
// implementation they replaced (PixelServicesReference.h), over seeded random worlds,
// rectangles, origins, opacities and masks in every depth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#include "host/Host.h"
#include "host/Image.h"
#include "host/PixelServices.h"
#include "tests/host/PixelServicesReference.h"

namespace tonedot::test {
namespace {

constexpr int kSeeds = 400;
const PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                   PF_PixelFormat_ARGB128};

// Channel values that reach every shortcut and the general formula: empty and full alphas,
// values in between, and for float also negative zero, values beyond 0..1, infinities and NaN.
template <class P>
typename PixelTraits<P>::Channel RandomChannel(std::mt19937& rng) {
    using T = PixelTraits<P>;
    const int pick = static_cast<int>(rng() % 16);
    if constexpr (T::isFloat) {
        switch (pick) {
            case 0: case 1: case 2: return 0.0f;
            case 3: case 4: case 5: return 1.0f;
            case 6: return -0.0f;
            case 7: return std::uniform_real_distribution<float>(-0.5f, 1.5f)(rng);
            case 8: return rng() % 8 ? 0.25f : std::numeric_limits<float>::infinity();
            case 9: return rng() % 8 ? 0.75f : std::numeric_limits<float>::quiet_NaN();
            default: return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
        }
    } else {
        switch (pick) {
            case 0: case 1: case 2: case 3: return 0;
            case 4: case 5: case 6: case 7: return T::Full();
            default: return static_cast<typename T::Channel>(rng() % (T::maxValue + 1));
        }
    }
}

std::unique_ptr<Image> RandomImage(std::mt19937& rng, PF_PixelFormat format, A_long w, A_long h) {
    auto image = std::make_unique<Image>(format, w, h);
    image->FillBytes(static_cast<unsigned char>(rng()));
    reference::ByFormat(format, [&](auto pixel) {
        using P = decltype(pixel);
        for (A_long y = 0; y < h; ++y) {
            for (A_long x = 0; x < w; ++x) {
                image->At<P>(x, y) = P{RandomChannel<P>(rng), RandomChannel<P>(rng),
                                       RandomChannel<P>(rng), RandomChannel<P>(rng)};
            }
        }
        return PF_Err_NONE;
    });
    return image;
}

// Alphas in runs along each row, transparent or full, with random pixels between: what dot
// layers and masks look like, and what the transfer takes in blocks.
void MakeRuns(std::mt19937& rng, Image& image) {
    reference::ByFormat(image.Format(), [&](auto pixel) {
        using P = decltype(pixel);
        for (A_long y = 0; y < image.Height(); ++y) {
            for (A_long x = 0; x < image.Width();) {
                const A_long end = std::min<A_long>(image.Width(), x + 4 + static_cast<A_long>(rng() % 30));
                const unsigned kind = rng() % 3;
                for (; x < end; ++x) {
                    if (kind == 1) image.At<P>(x, y).alpha = 0;
                    if (kind == 2) image.At<P>(x, y).alpha = PixelTraits<P>::Full();
                }
            }
        }
        return PF_Err_NONE;
    });
}

// A second image with the same bytes.
std::unique_ptr<Image> Twin(const Image& image) {
    auto twin = std::make_unique<Image>(image.Format(), image.Width(), image.Height());
    std::memcpy(twin->World()->data, image.World()->data,
                static_cast<size_t>(image.World()->rowbytes) * std::max<A_long>(image.Height(), 1));
    return twin;
}

// The same bytes, except that a NaN equals any NaN: which NaN an operation on NaNs gives
// depends on the order the compiler puts its operands in.
bool SameBytes(const Image& a, const Image& b) {
    const size_t size = static_cast<size_t>(a.World()->rowbytes) * std::max<A_long>(a.Height(), 1);
    const auto* p = reinterpret_cast<const unsigned char*>(a.World()->data);
    const auto* q = reinterpret_cast<const unsigned char*>(b.World()->data);
    if (a.Format() != PF_PixelFormat_ARGB128) return std::memcmp(p, q, size) == 0;
    for (size_t i = 0; i + sizeof(float) <= size; i += sizeof(float)) {
        float x, y;
        std::memcpy(&x, p + i, sizeof x);
        std::memcpy(&y, q + i, sizeof y);
        if (std::memcmp(&x, &y, sizeof x) != 0 && !(std::isnan(x) && std::isnan(y))) return false;
    }
    return true;
}

A_long Between(std::mt19937& rng, A_long low, A_long high) {
    return std::uniform_int_distribution<A_long>(low, high)(rng);
}

// Mostly inside the world, sometimes reaching past it or empty.
PF_Rect RandomRect(std::mt19937& rng, A_long w, A_long h) {
    const A_long left = Between(rng, -4, w + 2), top = Between(rng, -4, h + 2);
    return {left, top, left + Between(rng, -1, w + 4), top + Between(rng, -1, h + 4)};
}

TEST(PixelServicesReference, FillEqualsTheReference) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 rng(seed);
        const PF_PixelFormat format = kFormats[seed % 3];
        auto world = RandomImage(rng, format, Between(rng, 0, 24), Between(rng, 0, 24));
        auto expected = Twin(*world);
        const PF_Rect rect = RandomRect(rng, world->Width(), world->Height());
        const PF_Rect* r = rng() % 5 ? &rect : nullptr;
        PF_Err got = PF_Err_NONE, want = PF_Err_NONE;
        switch (rng() % 3) {
            case 0: {
                const PF_Pixel c = {RandomChannel<Pixel8>(rng), RandomChannel<Pixel8>(rng),
                                    RandomChannel<Pixel8>(rng), RandomChannel<Pixel8>(rng)};
                got = kFillMatteSuite2.fill(nullptr, &c, r, world->World());
                want = reference::FillAny(&c, r, expected->World());
                break;
            }
            case 1: {
                const PF_Pixel16 c = {RandomChannel<Pixel16>(rng), RandomChannel<Pixel16>(rng),
                                      RandomChannel<Pixel16>(rng), RandomChannel<Pixel16>(rng)};
                got = kFillMatteSuite2.fill16(nullptr, &c, r, world->World());
                want = reference::FillAny(&c, r, expected->World());
                break;
            }
            default: {
                const PF_PixelFloat c = {RandomChannel<Pixel32>(rng), RandomChannel<Pixel32>(rng),
                                         RandomChannel<Pixel32>(rng), RandomChannel<Pixel32>(rng)};
                got = kFillMatteSuite2.fill_float(nullptr, &c, r, world->World());
                want = reference::FillAny(&c, r, expected->World());
                break;
            }
        }
        ASSERT_EQ(got, want) << "seed " << seed;
        ASSERT_TRUE(SameBytes(*world, *expected)) << "seed " << seed;
    }
}

TEST(PixelServicesReference, CopyEqualsTheReference) {
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 rng(seed);
        const PF_PixelFormat format = kFormats[seed % 3];
        auto src = RandomImage(rng, format, Between(rng, 1, 24), Between(rng, 1, 24));
        // Every fourth copy goes within one world, overlapping itself.
        const bool within = seed % 4 == 3;
        auto dst = within ? Twin(*src) : RandomImage(rng, format, Between(rng, 1, 24), Between(rng, 1, 24));
        auto expected = Twin(*dst);
        PF_Rect s = RandomRect(rng, src->Width(), src->Height());
        PF_Rect d = s;  // unscaled ...
        const A_long dx = Between(rng, -6, 6), dy = Between(rng, -6, 6);
        d = {s.left + dx, s.top + dy, s.right + dx, s.bottom + dy};
        if (rng() % 3 == 0) d = RandomRect(rng, dst->Width(), dst->Height());  // ... or scaled
        PF_Rect* sr = rng() % 6 ? &s : nullptr;
        PF_Rect* dr = rng() % 6 ? &d : nullptr;
        PF_Rect s2 = s, d2 = d;
        PF_EffectWorld* from = within ? dst->World() : src->World();
        PF_EffectWorld* fromRef = within ? expected->World() : src->World();
        const PF_Err got = kWorldTransformSuite1.copy(nullptr, from, dst->World(), sr, dr);
        const PF_Err want = reference::CopyRect(fromRef, expected->World(), sr ? &s2 : nullptr,
                                                dr ? &d2 : nullptr);
        ASSERT_EQ(got, want) << "seed " << seed;
        ASSERT_TRUE(SameBytes(*dst, *expected)) << "seed " << seed;
    }
}

TEST(PixelServicesReference, TransferEqualsTheReference) {
    for (int seed = 0; seed < kSeeds * 2; ++seed) {
        std::mt19937 rng(seed);
        const PF_PixelFormat format = kFormats[seed % 3];
        auto src = RandomImage(rng, format, Between(rng, 1, 24), Between(rng, 1, 24));
        auto dst = RandomImage(rng, format, Between(rng, 1, 24), Between(rng, 1, 24));
        auto expected = Twin(*dst);
        // The mask: none, a record without pixels, or a world of any depth, mostly this one.
        std::unique_ptr<Image> maskImage;
        PF_MaskWorld mask{};
        const int maskKind = static_cast<int>(rng() % 6);
        if (maskKind >= 2) {
            const PF_PixelFormat maskFormat = maskKind == 2 ? kFormats[rng() % 3] : format;
            maskImage = RandomImage(rng, maskFormat, Between(rng, 1, 24), Between(rng, 1, 24));
            mask.mask = *maskImage->World();
        }
        mask.offset = {Between(rng, -8, 8), Between(rng, -8, 8)};
        mask.what_is_mask = rng() % 2 ? PF_MaskFlag_INVERTED : PF_MaskFlag_NONE;
        PF_CompositeMode mode{};
        mode.xfer = PF_Xfer_IN_FRONT;
        const bool full = rng() % 2;
        mode.opacity = full ? 255 : static_cast<A_u_char>(rng() % 256);
        mode.opacitySu = full ? 32768 : static_cast<A_u_short>(rng() % 32769);
        const PF_Rect rect = RandomRect(rng, src->Width(), src->Height());
        const PF_Rect* r = rng() % 4 ? &rect : nullptr;
        const A_long destX = Between(rng, -8, 8), destY = Between(rng, -8, 8);
        const PF_MaskWorld* m = maskKind == 0 ? nullptr : &mask;
        if (seed % 2) {  // runs, from a generator of their own (the cases above stay as they were)
            std::mt19937 runs(seed);
            MakeRuns(runs, *src);
            MakeRuns(runs, *dst);
            expected = Twin(*dst);
            if (maskImage) MakeRuns(runs, *maskImage);
        }
        const PF_Err got = kWorldTransformSuite1.transfer_rect(
            nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, r, src->World(), &mode,
            m, destX, destY, dst->World());
        const PF_Err want = reference::TransferRect(PF_MF_Alpha_STRAIGHT, r, src->World(), &mode,
                                                    m, destX, destY, expected->World());
        ASSERT_EQ(got, want) << "seed " << seed;
        ASSERT_TRUE(SameBytes(*dst, *expected)) << "seed " << seed;
    }
}

// Large areas are split into row ranges on the host's workers (the effect_ref names an
// instance); the result stays the reference's.
TEST(PixelServicesReference, ConcurrentRowsEqualTheReference) {
    Host host(static_cast<EntryPointFn>(nullptr));
    host.SetWorkerCount(3);
    const PF_ProgPtr ref = host.Main().Ref();
    for (int seed = 0; seed < 3; ++seed) {
        std::mt19937 rng(seed);
        const PF_PixelFormat format = kFormats[seed];
        auto src = RandomImage(rng, format, 700, 300);
        auto dst = RandomImage(rng, format, 690, 310);
        auto mask = RandomImage(rng, format, 500, 280);
        auto expected = Twin(*dst);
        PF_MaskWorld m{};
        m.mask = *mask->World();
        m.offset = {40, -10};
        PF_CompositeMode mode{PF_Xfer_IN_FRONT, 0, 200, 0, 30000};
        const PF_Pixel colour = {255, 10, 20, 30};
        PF_Rect from = {5, 5, 600, 290}, to = {0, 10, 595, 295};
        PF_Rect from2 = from, to2 = to;
        ASSERT_EQ(kWorldTransformSuite1.transfer_rect(ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                                      PF_Field_FRAME, nullptr, src->World(), &mode,
                                                      &m, -3, 4, dst->World()),
                  PF_Err_NONE);
        reference::TransferRect(PF_MF_Alpha_STRAIGHT, nullptr, src->World(), &mode, &m, -3, 4,
                                expected->World());
        ASSERT_TRUE(SameBytes(*dst, *expected)) << "transfer, seed " << seed;
        ASSERT_EQ(kWorldTransformSuite1.copy(ref, src->World(), dst->World(), &from, &to), PF_Err_NONE);
        reference::CopyRect(src->World(), expected->World(), &from2, &to2);
        ASSERT_TRUE(SameBytes(*dst, *expected)) << "copy, seed " << seed;
        ASSERT_EQ(kFillMatteSuite2.fill(ref, &colour, &to, dst->World()), PF_Err_NONE);
        reference::FillAny(&colour, &to2, expected->World());
        ASSERT_TRUE(SameBytes(*dst, *expected)) << "fill, seed " << seed;
    }
}

}  // namespace
}  // namespace tonedot::test
