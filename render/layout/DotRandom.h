// The renderer's only random source: a 16-bit linear congruential generator.
#pragma once
#include <cstdint>

namespace Render {

class DotRandom {
public:
    static constexpr uint32_t kMultiplier = 2061;
    static constexpr uint32_t kIncrement = 7;

    explicit DotRandom(uint32_t state = 0) : state_(state & 0xFFFFu) {}

    // The state for a frame: the seed, moved on by the frame number when an interval is
    // set (cycling through `array` patterns when that is not 0), then advanced by the
    // seed's last decimal digit.  All sums wrap at 32 bits; no division can overflow.
    static DotRandom Seeded(int32_t seed, int32_t interval, int32_t array, int32_t currentTime,
                            int32_t timeStep)
    {
        int32_t s = seed;
        if (interval != 0 && timeStep != 0) {
            // 64-bit quotients: INT32_MIN / -1 must not trap.
            const int32_t frame = Wrap32(static_cast<int64_t>(currentTime) / timeStep);
            int32_t k = Wrap32(static_cast<int64_t>(frame) / interval);
            if (array != 0) k = static_cast<int32_t>(static_cast<int64_t>(k) % array);
            s = Wrap32(static_cast<int64_t>(s) + k);
        }
        DotRandom r(static_cast<uint32_t>(s) & 0xFFFFu);
        const int32_t advances = s % 10;
        if (advances > 0) r.Skip(static_cast<uint64_t>(advances));
        return r;
    }

    uint32_t State() const { return state_; }

    // Advances the state and returns it.
    uint32_t Next()
    {
        state_ = (state_ * kMultiplier + kIncrement) & 0xFFFFu;
        return state_;
    }

    // One draw with amount a: a value in [-a, a).
    double Draw(double a)
    {
        const uint32_t x = Next();
        return ((a + a) * x) * (1.0 / 65536.0) - a;
    }

    // Advances the state k times, in O(log k): the k-fold composition of the affine step
    // x -> m x + c (mod 65536) is built by squaring.  Since everything is taken modulo a
    // power of two, a count that wrapped in 64 bits still lands on the right state.
    void Skip(uint64_t k)
    {
        uint32_t mulAcc = 1, addAcc = 0;            // accumulated map: x -> mulAcc x + addAcc
        uint32_t mul = kMultiplier, add = kIncrement;  // the map for 2^bit steps
        while (k != 0) {
            if (k & 1u) {
                mulAcc = (mulAcc * mul) & 0xFFFFu;
                addAcc = (addAcc * mul + add) & 0xFFFFu;
            }
            add = (add * mul + add) & 0xFFFFu;
            mul = (mul * mul) & 0xFFFFu;
            k >>= 1;
        }
        state_ = (mulAcc * state_ + addAcc) & 0xFFFFu;
    }

private:
    static int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

    uint32_t state_;
};

}  // namespace Render
