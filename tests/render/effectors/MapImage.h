// A host image in plain memory for the effect-map and effector tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "AEUtil/HostApi.h"
#include "AEUtil/Pixel.h"

template <class P>
struct MapImage {
    // rowPadding extra pixels at the end of every row, so rowbytes differs from width.
    MapImage(int32_t width, int32_t height, int32_t rowPadding = 0)
        : stride(width + rowPadding), pixels(static_cast<size_t>(stride) * (height > 0 ? height : 0)) {
        std::memset(&world, 0, sizeof(world));
        world.width = width;
        world.height = height;
        world.rowbytes = static_cast<A_long>(stride * sizeof(P));
        world.data = pixels.empty() ? nullptr : reinterpret_cast<PF_PixelPtr>(pixels.data());
    }
    MapImage(const MapImage&) = delete;
    MapImage& operator=(const MapImage&) = delete;

    P& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * stride + x]; }
    void Fill(const P& p) {
        for (int32_t y = 0; y < world.height; ++y)
            for (int32_t x = 0; x < world.width; ++x) At(x, y) = p;
    }

    int32_t stride;
    std::vector<P> pixels;
    PF_EffectWorld world;
};

template <class P>
P MakePixel(double a, double r, double g, double b) {
    using C = typename PixelTraits<P>::Channel;
    P p;
    p.alpha = static_cast<C>(a);
    p.red = static_cast<C>(r);
    p.green = static_cast<C>(g);
    p.blue = static_cast<C>(b);
    return p;
}
