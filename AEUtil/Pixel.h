// The framework's pixel types and what differs between the three depths.
// Channels are alpha, red, green, blue; colour is straight (not premultiplied).
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"

using Pixel8 = PF_Pixel8;     // 0..255
using Pixel16 = PF_Pixel16;   // 0..32768, 32768 is full
using Pixel32 = PF_PixelFloat;  // 1.0 is full

template <class P>
struct PixelTraits;

template <>
struct PixelTraits<Pixel8> {
    using Channel = A_u_char;
    static constexpr bool isFloat = false;
    static constexpr int32_t maxValue = 255;  // full channel
    static constexpr int shift = 8;            // right shift that stands in for "/ full"
    static constexpr A_long pixelFormat = PF_PixelFormat_ARGB32;
    // A colour parameter byte (0..255) on this depth's scale.
    static Channel FromByte(int v) { return static_cast<Channel>(v); }
    // A 0..1 value from the HSV conversions, rounded half up with the product in single precision.
    static Channel FromUnit(double x) { return static_cast<Channel>(static_cast<int>(static_cast<float>(x) * 255.0f + 0.5)); }
    // A channel on the 0..1 scale.
    static double ToUnit(Channel v) { return v * (1.0 / 255.0); }
    // An opacity fraction 0..1 as an alpha value.
    static Channel OpacityToAlpha(double o) { return static_cast<Channel>(static_cast<int>(o * 255.0)); }
    static constexpr Channel Full() { return 255; }
};

template <>
struct PixelTraits<Pixel16> {
    using Channel = A_u_short;
    static constexpr bool isFloat = false;
    static constexpr int32_t maxValue = 32768;
    static constexpr int shift = 15;
    static constexpr A_long pixelFormat = PF_PixelFormat_ARGB64;
    static Channel FromByte(int v) { return static_cast<Channel>(static_cast<int>(v / 255.0 * 32768.0)); }
    static Channel FromUnit(double x) { return static_cast<Channel>(static_cast<int>(static_cast<float>(x) * 32768.0f + 0.5)); }
    static double ToUnit(Channel v) { return v * (1.0 / 32768.0); }
    static Channel OpacityToAlpha(double o) { return static_cast<Channel>(static_cast<int>(o * 32768.0)); }
    static constexpr Channel Full() { return 32768; }
};

template <>
struct PixelTraits<Pixel32> {
    using Channel = float;
    static constexpr bool isFloat = true;
    static constexpr int32_t maxValue = 1;
    static constexpr int shift = 0;
    static constexpr A_long pixelFormat = PF_PixelFormat_ARGB128;
    static Channel FromByte(int v) { return static_cast<float>(v) / 255.0f; }
    static Channel FromUnit(double x) { return static_cast<float>(x); }
    static double ToUnit(Channel v) { return v; }
    static Channel OpacityToAlpha(double o) { return static_cast<float>(o); }
    static constexpr Channel Full() { return 1.0f; }
};
