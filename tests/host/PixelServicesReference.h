// The stand-in host's first pixel services, pixel by pixel through doubles, kept as the
// reference the host's own services must equal exactly: fill (any source depth into any world
// depth), copy with nearest-sample scaling, and the straight-alpha in-front transfer through
// an optional mask.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include "AEUtil/Pixel.h"
#include "host/Image.h"

namespace tonedot::reference {


// Channel values on the 0..1 scale and back, rounded to the nearest step for integer depths.
template <class P>
struct Unit {
    double a, r, g, b;
};

template <class P>
Unit<P> ToUnit(const P& p) {
    using T = PixelTraits<P>;
    return {T::ToUnit(p.alpha), T::ToUnit(p.red), T::ToUnit(p.green), T::ToUnit(p.blue)};
}

template <class P>
typename PixelTraits<P>::Channel FromUnitChannel(double v) {
    using T = PixelTraits<P>;
    if constexpr (T::isFloat) {
        return static_cast<float>(v);
    } else {
        v = std::min(std::max(v, 0.0), 1.0);
        return static_cast<typename T::Channel>(std::lround(v * T::maxValue));
    }
}

template <class P>
P FromUnit(const Unit<P>& u) {
    P p;
    p.alpha = FromUnitChannel<P>(u.a);
    p.red = FromUnitChannel<P>(u.r);
    p.green = FromUnitChannel<P>(u.g);
    p.blue = FromUnitChannel<P>(u.b);
    return p;
}

template <class P>
P& PixelAt(const PF_EffectWorld* world, A_long x, A_long y) {
    return reinterpret_cast<P*>(reinterpret_cast<unsigned char*>(world->data) +
                                static_cast<ptrdiff_t>(y) * world->rowbytes)[x];
}

inline PF_Rect Clip(const PF_Rect& r, const PF_EffectWorld* w) {
    return {std::max<A_long>(r.left, 0), std::max<A_long>(r.top, 0),
            std::min<A_long>(r.right, w->width), std::min<A_long>(r.bottom, w->height)};
}

inline PF_Rect WholeOf(const PF_EffectWorld* w) { return {0, 0, w->width, w->height}; }

// Calls `body.template operator()<P>()` with the world's pixel type.
template <class Body>
PF_Err ByFormat(PF_PixelFormat format, Body&& body) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return body(Pixel8{});
        case PF_PixelFormat_ARGB64: return body(Pixel16{});
        case PF_PixelFormat_ARGB128: return body(Pixel32{});
        default: return PF_Err_BAD_CALLBACK_PARAM;
    }
}

// ---- fill --------------------------------------------------------------------------------------
template <class P>
PF_Err FillWith(const Unit<P>& color, const PF_Rect* rect, PF_EffectWorld* world) {
    const PF_Rect r = Clip(rect ? *rect : WholeOf(world), world);
    const P value = FromUnit<P>(color);
    for (A_long y = r.top; y < r.bottom; ++y)
        for (A_long x = r.left; x < r.right; ++x) PixelAt<P>(world, x, y) = value;
    return PF_Err_NONE;
}

template <class Source>
PF_Err FillAny(const Source* color, const PF_Rect* rect, PF_EffectWorld* world) {
    if (!color || !world) return PF_Err_BAD_CALLBACK_PARAM;
    const Unit<Source> c = ToUnit(*color);
    return ByFormat(Image::FormatOf(world), [&](auto pixel) {
        using P = decltype(pixel);
        return FillWith<P>({c.a, c.r, c.g, c.b}, rect, world);
    });
}

// ---- copy ------------------------------------------------------------------------------------------
// Copies `src_r` of src onto `dst_r` of dst, scaling (nearest sample) when the sizes differ,
// as the host does.
inline PF_Err CopyRect(PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_r,
                const PF_Rect* dst_r) {
    if (!src || !dst) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_PixelFormat format = Image::FormatOf(src);
    if (format != Image::FormatOf(dst)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Rect s = src_r ? *src_r : WholeOf(src);
    const PF_Rect d = dst_r ? *dst_r : WholeOf(dst);
    const A_long sw = s.right - s.left, sh = s.bottom - s.top;
    const A_long dw = d.right - d.left, dh = d.bottom - d.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return PF_Err_NONE;
    return ByFormat(format, [&](auto pixel) {
        using P = decltype(pixel);
        for (A_long y = std::max<A_long>(d.top, 0); y < std::min<A_long>(d.bottom, dst->height);
             ++y) {
            const A_long sy = s.top + static_cast<A_long>((static_cast<int64_t>(y - d.top) * sh) / dh);
            if (sy < 0 || sy >= src->height) continue;
            for (A_long x = std::max<A_long>(d.left, 0);
                 x < std::min<A_long>(d.right, dst->width); ++x) {
                const A_long sx =
                    s.left + static_cast<A_long>((static_cast<int64_t>(x - d.left) * sw) / dw);
                if (sx < 0 || sx >= src->width) continue;
                PixelAt<P>(dst, x, y) = PixelAt<P>(src, sx, sy);
            }
        }
        return PF_Err_NONE;
    });
}

// ---- transfer ------------------------------------------------------------------------------------
// The mask's alpha on the 0..1 scale at destination pixel (x, y); outside the mask world it is
// 0, and inverted masks turn it round.
template <class M>
double MaskAlpha(const PF_MaskWorld& mask, A_long x, A_long y) {
    const A_long mx = x - mask.offset.h;
    const A_long my = y - mask.offset.v;
    double a = 0.0;
    if (mask.mask.data && mx >= 0 && my >= 0 && mx < mask.mask.width && my < mask.mask.height) {
        a = PixelTraits<M>::ToUnit(PixelAt<M>(&mask.mask, mx, my).alpha);
    }
    return (mask.what_is_mask & PF_MaskFlag_INVERTED) ? 1.0 - a : a;
}

template <class P>
PF_Err TransferAs(const PF_Rect& src_r, const PF_EffectWorld* src, double opacity,
                  const PF_MaskWorld* mask, PF_PixelFormat maskFormat, A_long dest_x,
                  A_long dest_y, PF_EffectWorld* dst) {
    const PF_Rect s = Clip(src_r, src);
    for (A_long y = s.top; y < s.bottom; ++y) {
        const A_long dy = dest_y + (y - src_r.top);
        if (dy < 0 || dy >= dst->height) continue;
        for (A_long x = s.left; x < s.right; ++x) {
            const A_long dx = dest_x + (x - src_r.left);
            if (dx < 0 || dx >= dst->width) continue;
            double weight = opacity;
            if (mask) {
                switch (maskFormat) {
                    case PF_PixelFormat_ARGB64: weight *= MaskAlpha<Pixel16>(*mask, dx, dy); break;
                    case PF_PixelFormat_ARGB128: weight *= MaskAlpha<Pixel32>(*mask, dx, dy); break;
                    default: weight *= MaskAlpha<Pixel8>(*mask, dx, dy); break;
                }
            }
            const Unit<P> f = ToUnit(PixelAt<P>(src, x, y));
            P& out = PixelAt<P>(dst, dx, dy);
            const Unit<P> b = ToUnit(out);
            // Straight colour: the source in front of the destination.
            const double fa = f.a * weight;
            const double ba = b.a * (1.0 - fa);
            const double ra = fa + ba;
            if (ra <= 0.0) {
                out = FromUnit<P>({0.0, 0.0, 0.0, 0.0});
                continue;
            }
            out = FromUnit<P>({ra, (f.r * fa + b.r * ba) / ra, (f.g * fa + b.g * ba) / ra,
                               (f.b * fa + b.b * ba) / ra});
        }
    }
    return PF_Err_NONE;
}

inline PF_Err TransferRect(PF_ModeFlags m_flags, const PF_Rect* src_rec,
                           const PF_EffectWorld* src_world, const PF_CompositeMode* comp_mode,
                           const PF_MaskWorld* mask_world0, A_long dest_x, A_long dest_y,
                           PF_EffectWorld* dst_world) {
    if (!src_world || !comp_mode || !dst_world) return PF_Err_BAD_CALLBACK_PARAM;
    // Only what this host models: straight alpha, the source in front.
    if (comp_mode->xfer != PF_Xfer_IN_FRONT || !(m_flags & PF_MF_Alpha_STRAIGHT)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_PixelFormat format = Image::FormatOf(src_world);
    if (format != Image::FormatOf(dst_world)) return PF_Err_BAD_CALLBACK_PARAM;
    PF_PixelFormat maskFormat = PF_PixelFormat_ARGB32;
    if (mask_world0 && mask_world0->mask.data) {
        maskFormat = Image::FormatOf(&mask_world0->mask);
        if (!maskFormat) return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_Rect src_r = src_rec ? *src_rec : WholeOf(src_world);
    return ByFormat(format, [&](auto pixel) {
        using P = decltype(pixel);
        const double opacity = PixelTraits<P>::isFloat || sizeof(P) == 8
                                   ? comp_mode->opacitySu / 32768.0
                                   : comp_mode->opacity / 255.0;
        return TransferAs<P>(src_r, src_world, opacity, mask_world0, maskFormat, dest_x, dest_y,
                             dst_world);
    });
}

}  // namespace tonedot::reference
