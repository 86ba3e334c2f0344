// Jumping ahead in a floating-point running sum without doing every addition.
#pragma once
#include <cstdint>

namespace Render {

// The value of x after `count` repetitions of x = x + step (each sum rounded to double),
// bit for bit what the loop would give, in time logarithmic in the span of values
// crossed.  step must be positive and finite, x finite.
//
// Within one binade (values of one sign and one exponent) every rounded sum lands on the
// same grid, so once two consecutive values lie in a binade the increment stays constant
// until the values leave it; the loop only runs one addition at a time across binade
// boundaries and near zero.
double AdvanceRunningSum(double x, double step, uint64_t count);

}  // namespace Render
