// The composite pass of the memory floor (Floor/...): each dot-layer pixel over the output
// pixel, straight colour mixed by the dot's alpha, rounded to the nearest step on the
// integer depths.  CompositeOver is laid out for the compiler's vectoriser (channels in
// lanes of the narrowest type that holds their products; the 8-bit division by 255 as
// shifts, exact for every sum the pass makes), SSE2 everywhere on x86-64 and AVX2 where the
// processor has it; CompositeOverReference is the plain loop it must equal byte for byte
// (tests/bench/CompositeTest.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include "AEUtil/Pixel.h"

namespace bench {

// Per depth: the lane type of the products and the division of a rounded sum by the
// channel's full value.
template <class P>
struct CompositeLanes;
template <>
struct CompositeLanes<Pixel8> {
    using Lane = uint16_t;  // 255 * 255 + 127 fits
    // floor(n / 255) for n <= 255 * 255 + 127.
    static Lane DivideByFull(Lane n) { return static_cast<Lane>((n + 1 + (n >> 8)) >> 8); }
};
template <>
struct CompositeLanes<Pixel16> {
    using Lane = uint32_t;
    static Lane DivideByFull(Lane n) { return n >> 15; }  // full is 32768
};

#if defined(__GNUC__)
#define TONEDOT_INLINE inline __attribute__((always_inline))
#else
#define TONEDOT_INLINE inline
#endif

template <class P>
TONEDOT_INLINE void CompositeOverLoop(const P* dots, P* out, size_t count) {
    using T = PixelTraits<P>;
    using C = typename T::Channel;
    const C* f = &dots[0].alpha;
    C* o = &out[0].alpha;
    static_assert(sizeof(P) == 4 * sizeof(C), "four channels, alpha first");
    if constexpr (T::isFloat) {
        for (size_t i = 0; i < 4 * count; i += 4) {
            const float a = f[i];
            o[i] = o[i] + (1.0f - o[i]) * a;
            o[i + 1] = o[i + 1] + (f[i + 1] - o[i + 1]) * a;
            o[i + 2] = o[i + 2] + (f[i + 2] - o[i + 2]) * a;
            o[i + 3] = o[i + 3] + (f[i + 3] - o[i + 3]) * a;
        }
    } else {
        using L = typename CompositeLanes<P>::Lane;
        constexpr L full = static_cast<L>(T::maxValue), half = static_cast<L>(T::maxValue / 2);
        for (size_t i = 0; i < 4 * count; i += 4) {
            const L a = f[i], keep = static_cast<L>(full - a);
            o[i] = static_cast<C>(CompositeLanes<P>::DivideByFull(static_cast<L>(full * a + o[i] * keep + half)));
            for (int c = 1; c < 4; ++c) {
                o[i + c] = static_cast<C>(
                    CompositeLanes<P>::DivideByFull(static_cast<L>(f[i + c] * a + o[i + c] * keep + half)));
            }
        }
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
// The same loop vectorised for AVX2, chosen at run time where the processor has it.
template <class P>
__attribute__((target("avx2"))) void CompositeOverAvx2(const P* dots, P* out, size_t count) {
    CompositeOverLoop(dots, out, count);
}
#endif

template <class P>
void CompositeOver(const P* dots, P* out, size_t count) {
#if defined(__GNUC__) && defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) {
        CompositeOverAvx2(dots, out, count);
        return;
    }
#endif
    CompositeOverLoop(dots, out, count);
}

template <class P>
void CompositeOverReference(const P* dots, P* out, size_t count) {
    using T = PixelTraits<P>;
    for (size_t i = 0; i < count; ++i) {
        const P& f = dots[i];
        P& o = out[i];
        if constexpr (T::isFloat) {
            const float a = f.alpha;
            o.alpha = o.alpha + (1.0f - o.alpha) * a;
            o.red = o.red + (f.red - o.red) * a;
            o.green = o.green + (f.green - o.green) * a;
            o.blue = o.blue + (f.blue - o.blue) * a;
        } else {
            using C = typename T::Channel;
            const uint32_t a = f.alpha, keep = T::maxValue - a, half = T::maxValue / 2;
            o.alpha = static_cast<C>((T::maxValue * a + o.alpha * keep + half) / T::maxValue);
            o.red = static_cast<C>((f.red * a + o.red * keep + half) / T::maxValue);
            o.green = static_cast<C>((f.green * a + o.green * keep + half) / T::maxValue);
            o.blue = static_cast<C>((f.blue * a + o.blue * keep + half) / T::maxValue);
        }
    }
}

}  // namespace bench
