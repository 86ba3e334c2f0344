// The 8 x 8 sample grid of the rasteriser.  Sample coordinates are 8 * pixel coordinates;
// sample column s belongs to pixel column s >> 3, sub-row k to pixel row k >> 3.
#pragma once
#include <cstdint>

namespace Render {

constexpr int32_t kSamplesPerPixel = 8;
constexpr int32_t kSamplesPerPixelArea = kSamplesPerPixel * kSamplesPerPixel;

// Sample positions handed to integer code are clamped to +-2^30 first.  Layers are far
// smaller than 2^27 pixels, so a clamped value is still outside the layer on the same side
// and no coverage inside it changes; a value past the range (or NaN) never reaches an int
// conversion.
constexpr int32_t kSampleLimit = 1 << 30;

// (int)v for the sample grid: truncation toward zero, exact for |v| < 2^30.
inline int32_t TruncSample(double v) {
    if (!(v > -static_cast<double>(kSampleLimit))) return -kSampleLimit;  // also NaN
    if (v > static_cast<double>(kSampleLimit)) return kSampleLimit;
    return static_cast<int32_t>(v);
}

// An outline that reaches further than this many sub-rows above the layer has its edges
// advanced arithmetically to this sub-row instead of stepping through every invisible
// sub-row.  Outlines that end closer to the layer step exactly, sub-row by sub-row.
constexpr int32_t kExactLeadSubRows = 1 << 16;

}  // namespace Render
