// The memory floor's vectorised composite (bench/Composite.h) equals the plain loop byte for
// byte: every 8-bit alpha, source and destination value, and seeded pixels on the other depths.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>
#include "bench/Composite.h"

namespace {

template <class P>
void ExpectSameComposite(const std::vector<P>& dots, const std::vector<P>& out) {
    std::vector<P> fast = out, plain = out;
    bench::CompositeOver(dots.data(), fast.data(), dots.size());
    bench::CompositeOverReference(dots.data(), plain.data(), dots.size());
    ASSERT_EQ(std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(P)), 0);
}

TEST(FloorComposite, EqualsThePlainLoop) {
    // 8-bit: every (alpha, source, destination), the three colour channels shifted apart.
    std::vector<Pixel8> dots, out;
    for (int a = 0; a < 256; ++a) {
        for (int f = 0; f < 256; ++f) {
            for (int o = 0; o < 256; ++o) {
                dots.push_back(Pixel8{static_cast<A_u_char>(a), static_cast<A_u_char>(f), static_cast<A_u_char>(255 - f),
                                      static_cast<A_u_char>(f ^ 0x5a)});
                out.push_back(Pixel8{static_cast<A_u_char>(o), static_cast<A_u_char>(o), static_cast<A_u_char>(255 - o),
                                     static_cast<A_u_char>(o ^ 0xa5)});
            }
        }
    }
    ExpectSameComposite(dots, out);

    std::mt19937 rng(4);
    std::uniform_int_distribution<int> deep(0, 32768);
    std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
    std::vector<Pixel16> dots16(100003), out16(dots16.size());
    std::vector<Pixel32> dots32(100003), out32(dots32.size());
    auto d = [&] { return static_cast<A_u_short>(deep(rng)); };
    for (size_t i = 0; i < dots16.size(); ++i) {
        dots16[i] = Pixel16{d(), d(), d(), d()};
        out16[i] = Pixel16{d(), d(), d(), d()};
        dots32[i] = Pixel32{unit(rng), unit(rng), unit(rng), unit(rng)};
        out32[i] = Pixel32{unit(rng), unit(rng), unit(rng), unit(rng)};
    }
    ExpectSameComposite(dots16, out16);
    ExpectSameComposite(dots32, out32);
}

}  // namespace
