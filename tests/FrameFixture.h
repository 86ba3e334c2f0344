// Whole frames through the stand-in host, for the tests that put the effect under strain
// (concurrency, hostile values, soak): an instance with its parameters set by id, painted
// input layers, both render paths, and byte-exact comparison of outputs.
#pragma once
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "AEUtil/Pixel.h"
#include "effect/ParamIds.h"
#include "host/ParamServices.h"
#include "host/RenderCall.h"
#include "params/ParamRegistry.h"
#include "tests/TestHost.h"

namespace tonedot::test {

enum class RenderPathKind { Smart, Plain };

inline const char* PathName(RenderPathKind path) {
    return path == RenderPathKind::Smart ? "smart" : "plain";
}

// A deterministic picture that differs from frame to frame.
template <class P>
void PaintFrame(Image& image, int frame) {
    using T = PixelTraits<P>;
    for (A_long y = 0; y < image.Height(); ++y)
        for (A_long x = 0; x < image.Width(); ++x) {
            const unsigned r = static_cast<unsigned>(x * 7 + frame * 13) % 256;
            const unsigned g = static_cast<unsigned>(y * 5 + frame * 29) % 256;
            const unsigned b = static_cast<unsigned>((x ^ y) + frame * 3) % 256;
            image.At<P>(x, y) = P{T::Full(), T::FromByte(r), T::FromByte(g), T::FromByte(b)};
        }
}

inline void PaintFrame(Image& image, int frame) {
    switch (image.Format()) {
        case PF_PixelFormat_ARGB64: PaintFrame<Pixel16>(image, frame); break;
        case PF_PixelFormat_ARGB128: PaintFrame<Pixel32>(image, frame); break;
        default: PaintFrame<Pixel8>(image, frame); break;
    }
}

// True when both images have the same format, size and pixel bytes.
inline bool SameImage(const Image& a, const Image& b) {
    if (a.Format() != b.Format() || a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    const size_t rowBytes = static_cast<size_t>(a.Width()) * BytesPerPixel(a.Format());
    for (A_long y = 0; y < a.Height(); ++y) {
        const auto* ra = static_cast<const unsigned char*>(a.World()->data) +
                         static_cast<size_t>(y) * a.World()->rowbytes;
        const auto* rb = static_cast<const unsigned char*>(b.World()->data) +
                         static_cast<size_t>(y) * b.World()->rowbytes;
        if (std::memcmp(ra, rb, rowBytes) != 0) return false;
    }
    return true;
}

class FrameTest : public LinkedHostTest {
protected:
    void SetUp() override {
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
    }

    static A_long Index(A_long id) {
        const A_long index = FindParamIndex(id);
        EXPECT_GT(index, 0) << "no parameter with id " << id;
        return index;
    }
    InstanceParams& Values(Instance& instance) { return Params(instance); }
    InstanceParams& Values() { return Params(host.Main()); }

    void Layer(A_long width, A_long height, PF_RationalScale dsx = {1, 1},
               PF_RationalScale dsy = {1, 1}) {
        host.Main().context.width = width;
        host.Main().context.height = height;
        host.Main().context.downsampleX = dsx;
        host.Main().context.downsampleY = dsy;
    }

    // One frame of `instance` at `time` (negative: the instance's current time).
    RenderOutcome Render(RenderPathKind path, const Image& input, A_long time = -1,
                         Instance* instance = nullptr,
                         const std::map<PF_ParamIndex, const Image*>& layers = {}) {
        Instance& inst = instance ? *instance : host.Main();
        RenderJob job;
        job.instance = &inst;
        job.input = &input;
        job.currentTime = time;
        job.layers = layers;
        if (path == RenderPathKind::Smart) return RenderSmart(host, job);
        for (const auto& layer : layers)
            Params(inst).SetLayer(layer.first, layer.second ? layer.second->World() : nullptr);
        ParamArray array = Params(inst).MakeParamArray(time >= 0 ? time : inst.context.currentTime,
                                                       inst.context.timeScale);
        job.params = array.data();
        job.paramCount = static_cast<A_long>(array.defs.size());
        return RenderPlain(host, job);
    }
};

}  // namespace tonedot::test
