#include "cli/Picture.h"

#include <algorithm>
#include <cmath>

namespace tonedot::cli {
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

}  // namespace

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

}  // namespace tonedot::cli
