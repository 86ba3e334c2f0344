// Lays the colour of the dot being drawn over dot-layer pixels, weighted by coverage
// (c of 64 samples), with the straight-alpha "over" rule.  One algorithm for the three
// depths: integer depths weigh with a right shift by 8 or 15 and truncate, float neither
// clamps nor rounds.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include "AEUtil/Pixel.h"
#include "render/SampleGrid.h"

template <class P>
class PixelWriter {
public:
    using Traits = PixelTraits<P>;
    using Channel = typename Traits::Channel;

    explicit PixelWriter(const P& color = P{}) { SetColor(color); }

    // Takes the dot colour (its alpha carries the dot's opacity) and precomputes the
    // effective alpha of every coverage count.
    void SetColor(const P& color) {
        color_ = color;
        for (int32_t c = 0; c <= kSamplesPerPixelArea; ++c) alpha_[c] = EffectiveAlpha(c, color.alpha);
    }

    const P& Color() const { return color_; }

    // a = c * A / 64, truncated on the integer depths.
    static Channel EffectiveAlpha(int32_t count, Channel alpha) {
        if constexpr (Traits::isFloat) {
            return static_cast<float>(count) * alpha * 0.015625f;
        } else {
            return static_cast<Channel>(static_cast<int32_t>(count * static_cast<double>(alpha) * 0.015625));
        }
    }

    void Write(P& dst, int32_t count) const {
        Blend(dst, alpha_[count]);
    }

    void WriteRun(P* dst, int32_t length, int32_t count) const {
        const Channel a = alpha_[count];
        if (a == Channel(0)) return;
        if (a == Traits::Full()) {  // every pixel becomes the opaque dot colour
            P opaque = color_;
            opaque.alpha = a;
            FillPixels(dst, length, opaque);
            return;
        }
        for (int32_t i = 0; i < length; ++i) Blend(dst[i], a);
    }

private:
    // Sets n pixels to v: one pixel, then doubling block copies (the channels are separate
    // members, which keeps a plain loop from storing more than one channel at a time).
    static void FillPixels(P* dst, int32_t n, const P& v) {
        if (n <= 0) return;
        dst[0] = v;
        int32_t done = 1;
        while (done < n) {
            const int32_t chunk = std::min(done, n - done);
            std::memcpy(dst + done, dst, static_cast<size_t>(chunk) * sizeof(P));
            done += chunk;
        }
    }

    // Integer products need more than 32 bits only on the 16-bit depth.
    using Wide = std::conditional_t<Traits::isFloat, float,
                                    std::conditional_t<(sizeof(Channel) > 1), int64_t, int32_t>>;

    void Blend(P& dst, Channel a) const {
        if (a == Channel(0)) return;
        const Channel full = Traits::Full();
        if (dst.alpha == Channel(0) || a == full) {
            dst.alpha = a;
            dst.red = color_.red;
            dst.green = color_.green;
            dst.blue = color_.blue;
            return;
        }
        Wide k;
        if constexpr (Traits::isFloat) {
            k = (1.0f - a) * dst.alpha;
        } else {
            k = ((static_cast<Wide>(full) - a) * dst.alpha) >> Traits::shift;
        }
        const Wide wa = a;
        const Wide total = wa + k;
        dst.red = static_cast<Channel>((color_.red * wa + dst.red * k) / total);
        dst.green = static_cast<Channel>((color_.green * wa + dst.green * k) / total);
        dst.blue = static_cast<Channel>((color_.blue * wa + dst.blue * k) / total);
        dst.alpha = static_cast<Channel>(total);
    }

    P color_{};
    std::array<Channel, kSamplesPerPixelArea + 1> alpha_{};
};
