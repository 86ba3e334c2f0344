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
#include "render/base/Constants.h"
#include "render/raster/SampleGrid.h"

namespace Render {

// memcpy kept out of line: with the length bounded, compilers inline it as a string move
// that runs at a fraction of the library's speed on long rows.
void CopyPixelBytes(void* dst, const void* src, size_t bytes);

// floor(n / d) for n < 2^17 and 1 <= d <= 255 (the 8-bit blend) as a multiplication by
// ceil(2^32 / d): the error d * m - 2^32 < d keeps every such quotient exact.
struct ByteDivisors {
    uint64_t m[256];
    constexpr ByteDivisors() : m{} {
        for (uint32_t d = 1; d < 256; ++d) m[d] = ((uint64_t{1} << 32) + d - 1) / d;
    }
    uint32_t Divide(uint32_t n, uint32_t d) const { return static_cast<uint32_t>((n * m[d]) >> 32); }
};
inline constexpr ByteDivisors kByteDivisors{};

template <class P>
class PixelWriter {
public:
    using Traits = PixelTraits<P>;
    using Channel = typename Traits::Channel;

    explicit PixelWriter(const P& color = P{}) { SetColor(color); }

    // Takes the dot colour (its alpha carries the dot's opacity) and precomputes the
    // effective alpha of every coverage count.
    void SetColor(const P& color) {
        if (!tableValid_ || color.alpha != color_.alpha) {
            for (int32_t c = 0; c <= kSamplesPerPixelArea; ++c) alpha_[c] = EffectiveAlpha(c, color.alpha);
            tableValid_ = true;
        }
        if (color.red != color_.red || color.green != color_.green || color.blue != color_.blue ||
            color.alpha != color_.alpha) {
            patternLength_ = 0;
        }
        color_ = color;
    }

    const P& Color() const { return color_; }

    // a = c * A / 64, truncated on the integer depths.
    static Channel EffectiveAlpha(int32_t count, Channel alpha) {
        if constexpr (Traits::isFloat) {
            return static_cast<float>(count) * alpha * static_cast<float>(kPerSample);
        } else {
            return static_cast<Channel>(static_cast<int32_t>(count * static_cast<double>(alpha) * kPerSample));
        }
    }

    void Write(P& dst, int32_t count) const {
        Blend(dst, alpha_[count]);
    }

    void WriteRun(P* dst, int32_t length, int32_t count) const {
        const Channel a = alpha_[count];
        if (a == Channel(0)) return;
        if (a == Traits::Full()) {  // every pixel becomes the opaque dot colour
            FillOpaque(dst, length);
            return;
        }
        for (int32_t i = 0; i < length; ++i) Blend(dst[i], a);
    }

private:
    // Sets n pixels to the opaque dot colour.  Short runs pixel by pixel; longer ones as
    // block copies from a row of the colour kept beside the writer (the channels are
    // separate members, which keeps a plain loop from storing more than one channel at a
    // time), built as far as runs have needed it since the colour last changed.
    void FillOpaque(P* dst, int32_t n) const {
        P opaque = color_;
        opaque.alpha = Traits::Full();
        if (n <= kShortRun) {
            for (int32_t i = 0; i < n; ++i) dst[i] = opaque;
            return;
        }
        const int32_t need = std::min(n, kPatternLength);
        for (; patternLength_ < need; ++patternLength_) pattern_[patternLength_] = opaque;
        while (n > 0) {
            const int32_t chunk = std::min(n, kPatternLength);
            CopyPixelBytes(dst, pattern_.data(), static_cast<size_t>(chunk) * sizeof(P));
            dst += chunk;
            n -= chunk;
        }
    }

    static constexpr int32_t kShortRun = 8;
    static constexpr int32_t kPatternLength = static_cast<int32_t>(4096 / sizeof(P));

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
        if constexpr (sizeof(Channel) == 1) {
            const uint32_t t = static_cast<uint32_t>(total);  // 1 .. 255, sums below 2^17
            dst.red = static_cast<Channel>(kByteDivisors.Divide(static_cast<uint32_t>(color_.red * wa + dst.red * k), t));
            dst.green = static_cast<Channel>(kByteDivisors.Divide(static_cast<uint32_t>(color_.green * wa + dst.green * k), t));
            dst.blue = static_cast<Channel>(kByteDivisors.Divide(static_cast<uint32_t>(color_.blue * wa + dst.blue * k), t));
        } else {
            dst.red = static_cast<Channel>((color_.red * wa + dst.red * k) / total);
            dst.green = static_cast<Channel>((color_.green * wa + dst.green * k) / total);
            dst.blue = static_cast<Channel>((color_.blue * wa + dst.blue * k) / total);
        }
        dst.alpha = static_cast<Channel>(total);
    }

    P color_{};
    bool tableValid_ = false;
    std::array<Channel, kSamplesPerPixelArea + 1> alpha_{};
    mutable int32_t patternLength_ = 0;  // pixels of pattern_ holding the opaque colour
    mutable std::array<P, kPatternLength> pattern_;
};

}  // namespace Render
