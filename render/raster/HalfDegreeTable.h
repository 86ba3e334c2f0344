// cos and sin of every half degree of one full turn: entry i is the value at i * 0.5 degrees.
#pragma once

namespace Render {

constexpr int kHalfDegreeSteps = 720;

extern const double COS_HALF_DEGREE[kHalfDegreeSteps];
extern const double SIN_HALF_DEGREE[kHalfDegreeSteps];

}  // namespace Render
