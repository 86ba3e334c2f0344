#include "session/Picture.h"

#include "render/effectors/LayerEffectMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Render;

namespace tonedot::session {
namespace {

template <class P>
double ChannelToUnit(typename PixelTraits<P>::Channel v) {
    return PixelTraits<P>::ToUnit(v);
}

template <class P>
typename PixelTraits<P>::Channel UnitToChannel(double v) {
    using T = PixelTraits<P>;
    if constexpr (T::isFloat) {
        return static_cast<float>(v);
    } else {
        const double c = std::clamp(v, 0.0, 1.0) * T::maxValue + 0.5;
        return static_cast<typename T::Channel>(static_cast<int>(c));
    }
}

template <class From, class To>
void Convert(const Picture& in, Picture& out) {
    for (int y = 0; y < in.Height(); ++y) {
        for (int x = 0; x < in.Width(); ++x) {
            const From& s = in.At<From>(x, y);
            To& d = out.At<To>(x, y);
            d.alpha = UnitToChannel<To>(ChannelToUnit<From>(s.alpha));
            d.red = UnitToChannel<To>(ChannelToUnit<From>(s.red));
            d.green = UnitToChannel<To>(ChannelToUnit<From>(s.green));
            d.blue = UnitToChannel<To>(ChannelToUnit<From>(s.blue));
        }
    }
}

template <class P>
void BoxReduce(const Picture& in, Picture& out) {
    const int W = in.Width(), H = in.Height(), w = out.Width(), h = out.Height();
    for (int j = 0; j < h; ++j) {
        const int y0 = static_cast<int>(static_cast<long long>(j) * H / h);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(j + 1) * H / h));
        for (int i = 0; i < w; ++i) {
            const int x0 = static_cast<int>(static_cast<long long>(i) * W / w);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(i + 1) * W / w));
            double a = 0, r = 0, g = 0, b = 0;
            int n = 0;
            for (int y = y0; y < y1 && y < H; ++y) {
                for (int x = x0; x < x1 && x < W; ++x) {
                    const P& s = in.At<P>(x, y);
                    const double sa = ChannelToUnit<P>(s.alpha);
                    a += sa;
                    r += sa * ChannelToUnit<P>(s.red);
                    g += sa * ChannelToUnit<P>(s.green);
                    b += sa * ChannelToUnit<P>(s.blue);
                    ++n;
                }
            }
            P& d = out.At<P>(i, j);
            if (n == 0 || a <= 0) {
                d = P{};
                continue;
            }
            d.alpha = UnitToChannel<P>(a / n);
            d.red = UnitToChannel<P>(r / a);
            d.green = UnitToChannel<P>(g / a);
            d.blue = UnitToChannel<P>(b / a);
        }
    }
}

template <class P>
void LumaToAlpha(Picture& picture) {
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            P& p = picture.At<P>(x, y);
            const double luma = MapLuminance(p) / (PixelTraits<P>::isFloat ? 1.0 : PixelTraits<P>::maxValue);
            p.alpha = UnitToChannel<P>(luma * ChannelToUnit<P>(p.alpha));
        }
    }
}

}  // namespace

Picture LuminanceAsAlpha(Picture picture) {
    WithPixelType(picture.GetDepth(), [&](auto p) { LumaToAlpha<decltype(p)>(picture); });
    return picture;
}

Picture ConvertDepth(const Picture& picture, Depth depth) {
    if (picture.GetDepth() == depth) return picture;
    Picture out(depth, picture.Width(), picture.Height());
    WithPixelType(picture.GetDepth(), [&](auto from) {
        WithPixelType(depth, [&](auto to) { Convert<decltype(from), decltype(to)>(picture, out); });
    });
    return out;
}

Picture Downsample(const Picture& picture, int dx, int dy) {
    if (dx <= 1 && dy <= 1) return picture;
    const int w = std::max(1, static_cast<int>(picture.Width() / static_cast<double>(dx) + 0.5));
    const int h = std::max(1, static_cast<int>(picture.Height() / static_cast<double>(dy) + 0.5));
    Picture out(picture.GetDepth(), w, h);
    WithPixelType(picture.GetDepth(), [&](auto p) { BoxReduce<decltype(p)>(picture, out); });
    return out;
}

Picture Upright(Picture picture, int orientation) {
    if (orientation < 2 || orientation > 8) return picture;
    const int w = picture.Width(), h = picture.Height();
    const bool swap = orientation >= 5;
    Picture out(picture.GetDepth(), swap ? h : w, swap ? w : h);
    const std::size_t bpp = static_cast<std::size_t>(BytesPerPixelOf(picture.GetDepth()));
    const int ow = out.Width(), oh = out.Height();
    for (int y = 0; y < oh; ++y) {
        unsigned char* row = out.Data() + static_cast<std::size_t>(y) * out.RowBytes();
        for (int x = 0; x < ow; ++x) {
            // The stored pixel shown at (x, y) of the upright picture.
            int sx = x, sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x; sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y; sy = x; break;
                case 6: sx = y; sy = h - 1 - x; break;
                case 7: sx = w - 1 - y; sy = h - 1 - x; break;
                case 8: sx = w - 1 - y; sy = x; break;
            }
            std::memcpy(row + static_cast<std::size_t>(x) * bpp,
                        picture.Data() + static_cast<std::size_t>(sy) * picture.RowBytes() + static_cast<std::size_t>(sx) * bpp,
                        bpp);
        }
    }
    return out;
}

}  // namespace tonedot::session
