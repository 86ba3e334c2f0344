// The numbers the renderer shares: each is written here and nowhere else.
#pragma once
#include <cstdint>

namespace Render {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2 * kPi;
constexpr double kHalfPi = kPi / 2;

// Degrees to radians, always as a product: angle * kDegToRad.  (angle * kPi / 180 differs
// from it in the last bit for some angles.)
constexpr double kDegToRad = 0.017453292519943295;

// A 16.16 fixed-point value (angles, points, hues as the host stores them) as a double.
constexpr double FixedToDouble(int32_t v) { return v / 65536.0; }

// A pixel's coverage is counted in 8 x 8 samples: 1..kCoverageSamples, and count * kPerSample
// is the covered fraction.
constexpr int32_t kCoverageSamples = 64;
constexpr double kPerSample = 1.0 / kCoverageSamples;

// Every grid cell takes this many draws from the dot random source, whether or not it makes
// a dot, so that a cell's draws do not depend on which cells were skipped.
constexpr uint32_t kDrawsPerDot = 9;

static_assert(kPerSample == 0.015625, "1/64 is exact");

}  // namespace Render
