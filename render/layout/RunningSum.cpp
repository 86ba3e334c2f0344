#include "render/layout/RunningSum.h"

#include <cassert>
#include <cmath>
#include <cstring>

namespace Render {

namespace {

uint64_t Bits(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The binade of v as a signed biased exponent (negative for negative values), or 0 for
// values without one (zero, subnormals).
int Binade(double v)
{
    const uint64_t b = Bits(v);
    const int e = static_cast<int>((b >> 52) & 0x7FF);
    if (e == 0) return 0;
    return (b >> 63) ? -e : e;
}

// Exponent of the lowest set bit: v is an odd multiple of 2^result.  v != 0, finite.
int LowestBitExponent(double v)
{
    int e = 0;
    const double m = std::frexp(std::fabs(v), &e);  // v = m * 2^e, m in [0.5, 1)
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(m, 53));
    int zeros = 0;
    for (uint64_t t = mantissa; (t & 1u) == 0; t >>= 1) ++zeros;
    return e - 53 + zeros;
}

// When start and step lie on a common grid 2^q and every value up to the end stays below
// 2^(53+q), no sum is ever rounded, and the end is start + count * step exactly.
bool ExactlyRepresentable(double x, double step, uint64_t count, double& result)
{
    int q = LowestBitExponent(step);
    if (x != 0) {
        const int qx = LowestBitExponent(x);
        if (qx < q) q = qx;
    }
    const double span = static_cast<double>(count) * step;
    const double limit = std::ldexp(1.0, 53 + q);
    // The slack covers the rounding of `span` itself in the test.
    if (!((std::fabs(x) + span) * (1.0 + 0x1p-40) < limit)) return false;
    result = x + span;
    return true;
}

}  // namespace

double AdvanceRunningSum(double x, double step, uint64_t count)
{
    assert(step > 0 && std::isfinite(step) && std::isfinite(x));
    if (count == 0) return x;
    double exact;
    if (ExactlyRepresentable(x, step, count, exact)) return exact;

    bool havePrev = false;
    double prev = 0.0;
    while (count > 0) {
        const double next = x + step;
        if (next == x) return x;  // the step is lost to rounding: the sum stays put
        const int b = Binade(x);
        if (havePrev && count >= 2 && b != 0 && Binade(prev) == b && Binade(next) == b) {
            // x came from a sum rounded in this binade, so every further sum that stays in it
            // adds the same increment (also when the step is a tie on the grid: x is then
            // even on the grid, and so is every later value).
            const int e = (b < 0 ? -b : b) - 1023;  // |x| in [2^e, 2^(e+1))
            const double ulp = std::ldexp(1.0, e - 52);
            const double d = next - x;  // exact: both in one binade
            // Last value still safely inside the binade: below its top for positive values,
            // short of its edge toward zero for negative ones.
            const double limit = x > 0 ? std::ldexp(1.0, e + 1) - ulp : -std::ldexp(1.0, e) - ulp;
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

}  // namespace Render
