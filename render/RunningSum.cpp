#include "render/RunningSum.h"

#include <cassert>
#include <cfloat>
#include <cmath>

namespace {

// Exponent of |v| in frexp's convention (|v| in [2^(e-1), 2^e)), or a marker for values
// that have no full-precision binade (zero and subnormals).
constexpr int kNoBinade = 1 << 20;

int Binade(double v)
{
    if (!(std::fabs(v) >= DBL_MIN)) return kNoBinade;
    int e = 0;
    std::frexp(v, &e);
    return v < 0 ? -e : e;
}

}  // namespace

double AdvanceRunningSum(double x, double step, uint64_t count)
{
    assert(step > 0 && std::isfinite(step) && std::isfinite(x));
    bool havePrev = false;
    double prev = 0.0;
    while (count > 0) {
        const double next = x + step;
        if (next == x) return x;  // the step is lost to rounding: the sum stays put
        const int b = Binade(x);
        if (havePrev && count >= 2 && b != kNoBinade && Binade(prev) == b && Binade(next) == b) {
            // x came from a sum rounded in this binade, so every further sum that stays in it
            // adds the same increment (also when the step is a tie on the grid: x is then
            // even on the grid, and so is every later value).
            const int e = b < 0 ? -b : b;
            const double ulp = std::ldexp(1.0, e - 53);
            const double d = next - x;  // exact: both in one binade
            // Last value still safely inside the binade: below its top for positive values,
            // above its lower edge (toward zero) for negative ones.
            const double limit = x > 0 ? std::ldexp(1.0, e) - ulp : -std::ldexp(1.0, e - 1) - ulp;
            const int64_t room = static_cast<int64_t>((limit - x) / ulp);  // exact integers < 2^53
            const int64_t inc = static_cast<int64_t>(d / ulp);
            uint64_t jumps = room > 0 ? static_cast<uint64_t>(room / inc) : 0;
            if (jumps > count) jumps = count;
            if (jumps > 0) {
                x += static_cast<double>(jumps) * d;  // exact: a grid point of the binade
                prev = x - d;
                count -= jumps;
                continue;
            }
        }
        prev = x;
        havePrev = true;
        x = next;
        --count;
    }
    return x;
}
