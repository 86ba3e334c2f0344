// Whole frames through the stand-in host: an instance with its parameters set by id, painted
// input layers, either render path in any of the three depths, byte-exact comparison of
// outputs, and pixels on one 0..1 scale so that renders of different depths can be compared.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "AEUtil/Pixel.h"
#include "effect/ParamIds.h"
#include "host/ParamServices.h"
#include "host/RenderCall.h"
#include "look/Choices.h"
#include "params/ParamRegistry.h"
#include "render/base/Constants.h"
#include "tests/support/TestHost.h"

using namespace Params;
using namespace Look;
using namespace Render;

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
        const auto* ra = reinterpret_cast<const unsigned char*>(a.World()->data) +
                         static_cast<size_t>(y) * a.World()->rowbytes;
        const auto* rb = reinterpret_cast<const unsigned char*>(b.World()->data) +
                         static_cast<size_t>(y) * b.World()->rowbytes;
        if (std::memcmp(ra, rb, rowBytes) != 0) return false;
    }
    return true;
}

constexpr PF_PixelFormat kDepths[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                      PF_PixelFormat_ARGB128};

inline const char* DepthName(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return "8bit";
        case PF_PixelFormat_ARGB64: return "16bit";
        default: return "float";
    }
}

// Calls `body(P{})` with the pixel type P of `format`.
template <class Body>
void WithPixelType(PF_PixelFormat format, Body&& body) {
    if (format == PF_PixelFormat_ARGB32) body(Pixel8{});
    if (format == PF_PixelFormat_ARGB64) body(Pixel16{});
    if (format == PF_PixelFormat_ARGB128) body(Pixel32{});
}

// An image's channels as doubles on the 0..1 scale, alpha, red, green, blue per pixel.
struct UnitImage {
    int width = 0, height = 0;
    std::vector<double> v;

    double At(int x, int y, int channel) const {
        return v[(static_cast<size_t>(y) * width + x) * 4 + channel];
    }
    double Alpha(int x, int y) const { return At(x, y, 0); }
    // Sum of alpha over the columns [x0, x1) and rows [y0, y1), clipped to the image.
    double Coverage(int x0, int y0, int x1, int y1) const {
        double sum = 0;
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x) sum += Alpha(x, y);
        return sum;
    }
};

inline UnitImage ToUnit(const Image& image) {
    UnitImage u;
    u.width = image.Width();
    u.height = image.Height();
    u.v.reserve(static_cast<size_t>(u.width) * u.height * 4);
    WithPixelType(image.Format(), [&](auto pixel) {
        using P = decltype(pixel);
        using T = PixelTraits<P>;
        for (A_long y = 0; y < image.Height(); ++y) {
            for (A_long x = 0; x < image.Width(); ++x) {
                const P& p = image.At<P>(x, y);
                for (auto c : {p.alpha, p.red, p.green, p.blue}) u.v.push_back(T::ToUnit(c));
            }
        }
    });
    return u;
}

// Paints an opaque image whose colour runs from `left` at column 0 to `right` at the last
// column, both given as 8-bit ARGB and converted to the image's depth as the effect converts
// colours (so that every depth starts from the same values).
inline void PaintHorizontalRamp(Image& image, PF_Pixel left, PF_Pixel right) {
    WithPixelType(image.Format(), [&](auto pixel) {
        using P = decltype(pixel);
        using T = PixelTraits<P>;
        const A_long w = image.Width();
        for (A_long x = 0; x < w; ++x) {
            const double t = w > 1 ? static_cast<double>(x) / (w - 1) : 0.0;
            auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
            const P p{T::FromByte(255), T::FromByte(mix(left.red, right.red)),
                      T::FromByte(mix(left.green, right.green)),
                      T::FromByte(mix(left.blue, right.blue))};
            for (A_long y = 0; y < image.Height(); ++y) image.At<P>(x, y) = p;
        }
    });
}

// A test host ready to render: parameters registered; helpers for values and frames.
class WholeFrameTest : public LinkedHostTest {
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

    // Sets the layer size; the grid centre and the effector positions go to the middle of
    // the layer, where the host puts their default of 50 %.
    void CentredLayer(A_long width, A_long height) {
        Layer(width, height);
        Values().SetPoint(Index(ParamId::CenterPosition), width / 2.0, height / 2.0);
        for (int n = 0; n < kEffectorCount; ++n)
            Values().SetPoint(Index(ParamId::EffectorIds(n).position), width / 2.0, height / 2.0);
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

    // Renders `input` (which has the layer's size) through the smart path; the custom map
    // layers listed by effector number (0..2) are the input itself, as "this layer" is.
    std::unique_ptr<Image> Render(const Image& input, std::vector<int> mapsOnThisLayer = {}) {
        std::map<PF_ParamIndex, const Image*> layers;
        for (int n : mapsOnThisLayer) layers[Index(ParamId::EffectorIds(n).customMapLayer)] = &input;
        RenderOutcome r = Render(RenderPathKind::Smart, input, -1, nullptr, layers);
        EXPECT_EQ(r.err, PF_Err_NONE) << r.message;
        EXPECT_TRUE(r.output);
        return std::move(r.output);
    }
};

}  // namespace tonedot::test
