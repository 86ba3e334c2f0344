// The twelve blend modes of the "Blend Mode" popups, by which an effector colours its dots.
// Each operation is written once over the pixel type; what differs between the depths lives
// in BlendArithmetic<P>.  (The RGB <-> HSV conversions are in render/base/Hsv.h.)
#pragma once
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include "AEUtil/Pixel.h"

namespace Render {

// Blend mode numbers as BlendPixel takes them.
enum BlendMode : int32_t {
    kBlendNormal = 1,
    kBlendAdd = 2,
    kBlendSubtract = 3,
    kBlendMultiply = 4,
    kBlendScreen = 5,
    kBlendOverlay = 6,
    kBlendHardLight = 7,
    kBlendSoftLight = 8,
    kBlendDarken = 9,
    kBlendLighten = 10,
    kBlendDifference = 11,
    kBlendExclusion = 12,
    kBlendCopy = 13,  // a plain copy of the blend colour (opaque Normal)
};

// The mode number of a "Blend Mode" popup value; separators and unknown values give Normal.
int32_t BlendModeFromPopup(int32_t popupValue);

// The soft-light channel formula, base and blend on the 0..1 scale.
double SoftLight(double base, double blend);

// Per-depth arithmetic of the blend modes.  Integer depths share one form with the depth's
// full value and shift; the thresholds and limits that differ are spelled out here.
template <class P>
struct BlendArithmetic;

// The part of the integer forms the two integer depths have in common.
template <class P>
struct IntegerBlendArithmetic {
    using Traits = PixelTraits<P>;
    using Value = int32_t;
    static constexpr int32_t kFull = Traits::maxValue;
    static constexpr int kShift = Traits::shift;

    static Value Add(Value p, Value q, Value a) { return std::min(kFull, ((q * a) >> kShift) + p); }
    static Value Subtract(Value p, Value q, Value a) {
        const Value k = (q * a) >> kShift;
        return k < p ? p - k : 0;
    }
    static Value Screen(Value p, Value q) { return ((kFull - q) * (p - kFull) + kFull * kFull) >> kShift; }
    static Value Exclusion(Value p, Value q) { return ((kFull - q) * p + (kFull - p) * q) >> kShift; }
    // Overlay (switching on the base) and Hard Light (switching on the blend) share this.
    static Value HighLow(bool high, Value p, Value q) {
        return high ? kFull - (((kFull - p) * (kFull - q)) >> (kShift - 1)) : (p * q) >> (kShift - 1);
    }
    static Value Overlay(Value p, Value q) { return HighLow(BlendArithmetic<P>::IsHigh(p), p, q); }
    static Value HardLight(Value p, Value q) { return HighLow(BlendArithmetic<P>::IsHigh(q), p, q); }
    static Value Soft(Value p, Value q) {
        // Divided, not multiplied by 1 / kFull: in 8 bits the two differ for 85 over 114
        // (79 against 78).
        const double f = SoftLight(p / double{kFull}, q / double{kFull}) * kFull;
        return BlendArithmetic<P>::LimitSoftLight(static_cast<int32_t>(f));
    }
    static Value Difference(Value p, Value q) { return std::abs(q - p); }
    // A blended channel laid over the base by the blend alpha a against the base alpha ab.
    static Value Mix(Value x, Value p, Value a, Value ab) {
        const Value e = ((kFull - a) * ab) >> kShift;
        return (x * a + p * e) / (a + e);
    }
    static bool InRange(Value c) { return c >= 0 && c <= kFull; }
};

template <>
struct BlendArithmetic<Pixel8> : IntegerBlendArithmetic<Pixel8> {
    // Half (128) counts as high.
    static bool IsHigh(Value c) { return c >= 128; }
    static Value Multiply(Value p, Value q) { return (q * p) >> 8; }
    static Value LimitSoftLight(int32_t f) { return f & 0xFF; }
};

template <>
struct BlendArithmetic<Pixel16> : IntegerBlendArithmetic<Pixel16> {
    // Half (16384) counts as low.
    static bool IsHigh(Value c) { return c > 16384; }
    static Value Multiply(Value p, Value q) {
        const int64_t product = static_cast<int64_t>(p) * q;
        return product < (int64_t{1} << 30) ? static_cast<Value>(product >> 15) : kFull;
    }
    static Value LimitSoftLight(int32_t f) { return f >= kFull ? kFull : f; }
};

template <>
struct BlendArithmetic<Pixel32> {
    using Value = float;
    static Value Add(Value p, Value q, Value a) { return static_cast<Value>(std::min(1.0, static_cast<double>(q * a + p))); }
    static Value Subtract(Value p, Value q, Value a) { return static_cast<Value>(std::max(0.0, static_cast<double>(p - q * a))); }
    static Value Multiply(Value p, Value q) { return static_cast<Value>(std::min(1.0, static_cast<double>(p * q))); }
    static Value Screen(Value p, Value q) { return 1.0f - (1.0f - p) * (1.0f - q); }
    static Value Overlay(Value p, Value q) {
        const Value x = p <= 0.5f ? 2.0f * p * q : 1.0f - 2.0f * (1.0f - q) * (1.0f - p);
        return static_cast<Value>(std::min(1.0, static_cast<double>(x)));
    }
    static Value HardLight(Value p, Value q) {
        return q <= 0.5f ? 2.0f * p * q : 1.0f - 2.0f * (1.0f - p) * (1.0f - q);
    }
    static Value Soft(Value p, Value q) { return static_cast<Value>(std::min(1.0, SoftLight(p, q))); }
    static Value Difference(Value p, Value q) { return std::fabs(p - q); }
    static Value Exclusion(Value p, Value q) { return (1.0f - p) * q + (1.0f - q) * p; }
    static Value Mix(Value x, Value p, Value a, Value ab) {
        const Value e = (1.0f - a) * ab;
        return (x * a + p * e) / (e + a);
    }
    static bool InRange(Value) { return true; }
};

// Writes red, green and blue of result from the base (dot) colour and the blend colour under
// the mode; result's alpha is left alone.  A mode outside 1..13 leaves result untouched.
// Integer channels must lie within the depth's range (16-bit 0..32768).
template <class P>
void BlendPixel(P& result, const P& base, const P& blend, int32_t mode) {
    using Arith = BlendArithmetic<P>;
    using Value = typename Arith::Value;
    using Channel = typename PixelTraits<P>::Channel;
    if (mode < kBlendNormal || mode > kBlendCopy) return;

    const Value a = blend.alpha;
    if (a == 0) {
        result.red = base.red;
        result.green = base.green;
        result.blue = base.blue;
        return;
    }
    const bool opaque = blend.alpha == PixelTraits<P>::Full();
    if (mode == kBlendNormal && opaque) mode = kBlendCopy;
    if (mode == kBlendCopy) {
        result.red = blend.red;
        result.green = blend.green;
        result.blue = blend.blue;
        return;
    }
    assert(Arith::InRange(a) && Arith::InRange(base.alpha));

    const Value ab = base.alpha;
    auto channel = [&](Channel pc, Channel qc) -> Channel {
        const Value p = pc;
        const Value q = qc;
        assert(Arith::InRange(p) && Arith::InRange(q));
        Value x = q;
        switch (mode) {
            case kBlendAdd: return static_cast<Channel>(Arith::Add(p, q, a));
            case kBlendSubtract: return static_cast<Channel>(Arith::Subtract(p, q, a));
            case kBlendMultiply: x = Arith::Multiply(p, q); break;
            case kBlendScreen: x = Arith::Screen(p, q); break;
            case kBlendOverlay: x = Arith::Overlay(p, q); break;
            case kBlendHardLight: x = Arith::HardLight(p, q); break;
            case kBlendSoftLight: x = Arith::Soft(p, q); break;
            case kBlendDarken: x = std::min(p, q); break;
            case kBlendLighten: x = std::max(p, q); break;
            case kBlendDifference: x = Arith::Difference(p, q); break;
            case kBlendExclusion: x = Arith::Exclusion(p, q); break;
            default: break;  // Normal with a translucent blend colour: x = q
        }
        return static_cast<Channel>(opaque ? x : Arith::Mix(x, p, a, ab));
    };
    // Compute all three before writing: result may alias base or blend.
    const Channel r = channel(base.red, blend.red);
    const Channel g = channel(base.green, blend.green);
    const Channel b = channel(base.blue, blend.blue);
    result.red = r;
    result.green = g;
    result.blue = b;
}

// Limits every channel, alpha included, to the depth's full value (16-bit images may carry
// values up to 65535, float images values above 1).
template <class P>
void LimitToFull(P& c) {
    using Traits = PixelTraits<P>;
    if constexpr (!Traits::isFloat &&
                  Traits::maxValue == std::numeric_limits<typename Traits::Channel>::max()) {
        return;  // every value of the channel type is in range
    }
    const auto full = Traits::Full();
    if (c.alpha > full) c.alpha = full;
    if (c.red > full) c.red = full;
    if (c.green > full) c.green = full;
    if (c.blue > full) c.blue = full;
}

}  // namespace Render
