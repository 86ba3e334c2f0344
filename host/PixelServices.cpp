#include "host/PixelServices.h"
#include "host/CallbackErrors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "AEUtil/Pixel.h"
#include "host/Host.h"
#include "host/Image.h"

namespace tonedot {
namespace {

// Channel values go through the 0..1 scale as doubles and come back rounded to the nearest
// step (halves away from zero) for the integer depths; the services keep to that arithmetic
// wherever its result is not known in advance, and skip it where it is.

template <class P>
using ChannelOf = typename PixelTraits<P>::Channel;

// A value on the 0..1 scale as a channel of P: clamped and rounded for the integer depths.
template <class P>
ChannelOf<P> FromUnit(double v) {
    using T = PixelTraits<P>;
    if constexpr (T::isFloat) {
        return static_cast<float>(v);
    } else {
        v = std::min(std::max(v, 0.0), 1.0);
        if (v != v) return static_cast<ChannelOf<P>>(std::lround(v * T::maxValue));  // NaN
        const double x = v * T::maxValue;
        const long whole = static_cast<long>(x);
        return static_cast<ChannelOf<P>>(whole + (x - whole >= 0.5 ? 1 : 0));  // as lround
    }
}

template <class P>
P* RowOf(const PF_EffectWorld* world, A_long y) {
    return reinterpret_cast<P*>(reinterpret_cast<unsigned char*>(world->data) +
                                static_cast<std::ptrdiff_t>(y) * world->rowbytes);
}

PF_Rect Clip(const PF_Rect& r, const PF_EffectWorld* w) {
    return {std::max<A_long>(r.left, 0), std::max<A_long>(r.top, 0),
            std::min<A_long>(r.right, w->width), std::min<A_long>(r.bottom, w->height)};
}

PF_Rect WholeOf(const PF_EffectWorld* w) { return {0, 0, w->width, w->height}; }

// Calls `body(P{})` with the world's pixel type.
template <class Body>
PF_Err ByFormat(PF_PixelFormat format, Body&& body) {
    switch (format) {  // what the worker threads throw is the callback's error
        case PF_PixelFormat_ARGB32: return ErrorOfCall([&] { return body(Pixel8{}); });
        case PF_PixelFormat_ARGB64: return ErrorOfCall([&] { return body(Pixel16{}); });
        case PF_PixelFormat_ARGB128: return ErrorOfCall([&] { return body(Pixel32{}); });
        default: return PF_Err_BAD_CALLBACK_PARAM;
    }
}

// Calls body(top, bottom) for row ranges that together make rows top .. bottom - 1: on the
// worker threads of the host whose instance `ref` names, when there is such a host and the
// area is worth it, else at once on the calling thread.  Bodies write disjoint rows.
template <class Body>
void ForRows(PF_ProgPtr ref, A_long top, A_long bottom, A_long width, Body&& body) {
    constexpr int64_t kMinPixelsPerPart = 1 << 16;
    const Instance* instance = Instance::FromRef(ref);
    const int workers = instance ? instance->host().WorkerCount() : 1;
    const int64_t rows = int64_t{bottom} - top;
    const int64_t pixels = rows * std::max<A_long>(width, 1);
    const int64_t parts = std::min<int64_t>({int64_t{workers} * 4, rows, pixels / kMinPixelsPerPart});
    if (workers <= 1 || parts <= 1) {
        if (rows > 0) body(top, bottom);
        return;
    }
    const A_long step = static_cast<A_long>((rows + parts - 1) / parts);
    const int count = static_cast<int>((rows + step - 1) / step);
    instance->host().Pool().Run(count, [&](int i, int) {
        const A_long from = top + i * step;
        body(from, std::min<A_long>(from + step, bottom));
    });
}

// ---- fill --------------------------------------------------------------------------------------
// A colour of any depth on the scale of P.
template <class P, class Source>
P ConvertColor(const Source& c) {
    using S = PixelTraits<Source>;
    return P{FromUnit<P>(S::ToUnit(c.alpha)), FromUnit<P>(S::ToUnit(c.red)),
             FromUnit<P>(S::ToUnit(c.green)), FromUnit<P>(S::ToUnit(c.blue))};
}

template <class P>
bool AllBytesEqual(const P& value) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&value);
    return std::all_of(bytes, bytes + sizeof(P), [&](unsigned char b) { return b == bytes[0]; });
}

template <class P>
void FillRows(PF_ProgPtr ref, const P& value, const PF_Rect& r, PF_EffectWorld* world) {
    if (r.left >= r.right) return;
    const size_t count = static_cast<size_t>(r.right - r.left);
    const bool bytewise = AllBytesEqual(value);
    ForRows(ref, r.top, r.bottom, r.right - r.left, [&](A_long top, A_long bottom) {
        for (A_long y = top; y < bottom; ++y) {
            P* row = RowOf<P>(world, y) + r.left;
            if (bytewise) {
                std::memset(static_cast<void*>(row), *reinterpret_cast<const unsigned char*>(&value),
                            count * sizeof(P));
            } else {
                std::fill_n(row, count, value);
            }
        }
    });
}

template <class Source>
PF_Err FillAny(PF_ProgPtr ref, const Source* color, const PF_Rect* rect, PF_EffectWorld* world) {
    ++PixelServiceCalls().fill;
    if (!color || !world) return PF_Err_BAD_CALLBACK_PARAM;
    return ByFormat(Image::FormatOf(world), [&](auto pixel) {
        using P = decltype(pixel);
        FillRows(ref, ConvertColor<P>(*color), Clip(rect ? *rect : WholeOf(world), world), world);
        return PF_Err_NONE;
    });
}

PF_Err Fill8(PF_ProgPtr ref, const PF_Pixel* color, const PF_Rect* rect, PF_EffectWorld* world) {
    return FillAny(ref, color, rect, world);
}
PF_Err Fill16(PF_ProgPtr ref, const PF_Pixel16* color, const PF_Rect* rect,
              PF_EffectWorld* world) {
    return FillAny(ref, color, rect, world);
}
PF_Err FillFloat(PF_ProgPtr ref, const PF_PixelFloat* color, const PF_Rect* rect,
                 PF_EffectWorld* world) {
    return FillAny(ref, color, rect, world);
}

PF_Err NoPremultiply(PF_ProgPtr, A_long, PF_EffectWorld*) { return PF_Err_INVALID_CALLBACK; }
template <class C>
PF_Err NoPremultiplyColor(PF_ProgPtr, PF_EffectWorld*, const C*, A_long, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}

// ---- copy ------------------------------------------------------------------------------------------
bool Overlap(const PF_EffectWorld* a, const PF_EffectWorld* b) {
    const unsigned char* a0 = reinterpret_cast<const unsigned char*>(a->data);
    const unsigned char* b0 = reinterpret_cast<const unsigned char*>(b->data);
    const std::ptrdiff_t aBytes = static_cast<std::ptrdiff_t>(a->rowbytes) * a->height;
    const std::ptrdiff_t bBytes = static_cast<std::ptrdiff_t>(b->rowbytes) * b->height;
    return a0 < b0 + bBytes && b0 < a0 + aBytes;
}

// Copies `src_r` of src onto `dst_r` of dst, scaling (nearest sample) when the sizes differ,
// as the host does: rows top to bottom, pixels left to right, each destination pixel from
// source pixel (s.left + (x - d.left) * sw / dw, s.top + (y - d.top) * sh / dh) when that lies
// in the source.
template <class P>
void CopyRows(PF_ProgPtr ref, const PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect& s,
              const PF_Rect& d) {
    const A_long sw = s.right - s.left, sh = s.bottom - s.top;
    const A_long dw = d.right - d.left, dh = d.bottom - d.top;
    const A_long x0 = std::max<A_long>(d.left, 0), x1 = std::min<A_long>(d.right, dst->width);
    const A_long y0 = std::max<A_long>(d.top, 0), y1 = std::min<A_long>(d.bottom, dst->height);
    // Without scaling, and between worlds that share no memory, each row is one block.
    if (sw == dw && sh == dh && !Overlap(src, dst)) {
        const int64_t shift = int64_t{s.left} - d.left;  // source column minus destination column
        const int64_t from = std::max<int64_t>(x0, -shift);
        const int64_t to = std::min<int64_t>(x1, src->width - shift);
        if (from >= to) return;
        ForRows(ref, y0, y1, static_cast<A_long>(to - from), [&](A_long top, A_long bottom) {
            for (A_long y = top; y < bottom; ++y) {
                const int64_t sy = int64_t{s.top} + (y - d.top);
                if (sy < 0 || sy >= src->height) continue;
                std::memcpy(static_cast<void*>(RowOf<P>(dst, y) + from),
                            RowOf<P>(src, static_cast<A_long>(sy)) + (from + shift),
                            static_cast<size_t>(to - from) * sizeof(P));
            }
        });
        return;
    }
    for (A_long y = y0; y < y1; ++y) {
        const A_long sy = s.top + static_cast<A_long>((static_cast<int64_t>(y - d.top) * sh) / dh);
        if (sy < 0 || sy >= src->height) continue;
        const P* from = RowOf<P>(src, sy);
        P* to = RowOf<P>(dst, y);
        for (A_long x = x0; x < x1; ++x) {
            const A_long sx = s.left + static_cast<A_long>((static_cast<int64_t>(x - d.left) * sw) / dw);
            if (sx < 0 || sx >= src->width) continue;
            to[x] = from[sx];
        }
    }
}

PF_Err CopyRect(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_r,
                const PF_Rect* dst_r) {
    if (!src || !dst) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_PixelFormat format = Image::FormatOf(src);
    if (format != Image::FormatOf(dst)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Rect s = src_r ? *src_r : WholeOf(src);
    const PF_Rect d = dst_r ? *dst_r : WholeOf(dst);
    if (s.right <= s.left || s.bottom <= s.top || d.right <= d.left || d.bottom <= d.top) {
        return PF_Err_NONE;
    }
    return ByFormat(format, [&](auto pixel) {
        CopyRows<decltype(pixel)>(ref, src, dst, s, d);
        return PF_Err_NONE;
    });
}

PF_Err Copy(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
            PF_Rect* dst_r) {
    ++PixelServiceCalls().copy;
    return CopyRect(ref, src, dst, src_r, dst_r);
}

PF_Err CopyHq(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
              PF_Rect* dst_r) {
    ++PixelServiceCalls().copyHq;
    return CopyRect(ref, src, dst, src_r, dst_r);
}

// ---- transfer ------------------------------------------------------------------------------------
// Straight colour, the source pixel f in front of the destination pixel b with `weight`
// (opacity times mask) on the 0..1 scale:
//   fa = f.a * weight, ba = b.a * (1 - fa), ra = fa + ba,
//   b = ra <= 0 ? 0 : (ra, (f.c * fa + b.c * ba) / ra for each colour channel c).
template <class P>
void InFrontExact(const P& f, P& b, double weight) {
    using T = PixelTraits<P>;
    const double fa = T::ToUnit(f.alpha) * weight;
    const double ba = T::ToUnit(b.alpha) * (1.0 - fa);
    const double ra = fa + ba;
    if (ra <= 0.0) {
        b = P{FromUnit<P>(0.0), FromUnit<P>(0.0), FromUnit<P>(0.0), FromUnit<P>(0.0)};
        return;
    }
#if defined(__SSE2__)
    // The same operations two channels at a time: alpha (ra / 1 is ra), red, green and blue.
    // On the integer depths a finite weight keeps every value finite, so FromUnit's NaN case
    // cannot arise there; its clamp, truncation and half-up rounding follow.
    if (T::isFloat || std::isfinite(weight)) {
        const __m128d fa2 = _mm_set1_pd(fa), ba2 = _mm_set1_pd(ba);
        const __m128d red = _mm_add_pd(_mm_mul_pd(_mm_set_pd(T::ToUnit(f.red), 1.0), fa2),
                                       _mm_mul_pd(_mm_set_pd(T::ToUnit(b.red), 0.0), ba2));
        const __m128d greenBlue = _mm_add_pd(_mm_mul_pd(_mm_set_pd(T::ToUnit(f.blue), T::ToUnit(f.green)), fa2),
                                             _mm_mul_pd(_mm_set_pd(T::ToUnit(b.blue), T::ToUnit(b.green)), ba2));
        const __m128d v0 = _mm_div_pd(_mm_move_sd(red, _mm_set_sd(ra)), _mm_set_pd(ra, 1.0));
        const __m128d v1 = _mm_div_pd(greenBlue, _mm_set1_pd(ra));
        if constexpr (T::isFloat) {
            alignas(16) float lanes[4];
            _mm_store_ps(lanes, _mm_movelh_ps(_mm_cvtpd_ps(v0), _mm_cvtpd_ps(v1)));
            b = P{lanes[0], lanes[1], lanes[2], lanes[3]};
        } else {
            auto round = [](__m128d v) {
                v = _mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(1.0));
                const __m128d x = _mm_mul_pd(v, _mm_set1_pd(T::maxValue));
                const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(x));
                const __m128d up = _mm_and_pd(_mm_cmpge_pd(_mm_sub_pd(x, whole), _mm_set1_pd(0.5)),
                                              _mm_set1_pd(1.0));
                return _mm_cvttpd_epi32(_mm_add_pd(whole, up));
            };
            alignas(16) int32_t lanes[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_unpacklo_epi64(round(v0), round(v1)));
            using C = typename T::Channel;
            b = P{static_cast<C>(lanes[0]), static_cast<C>(lanes[1]), static_cast<C>(lanes[2]),
                  static_cast<C>(lanes[3])};
        }
        return;
    }
#endif
    const double red = (T::ToUnit(f.red) * fa + T::ToUnit(b.red) * ba) / ra;
    const double green = (T::ToUnit(f.green) * fa + T::ToUnit(b.green) * ba) / ra;
    const double blue = (T::ToUnit(f.blue) * fa + T::ToUnit(b.blue) * ba) / ra;
    b = P{FromUnit<P>(ra), FromUnit<P>(red), FromUnit<P>(green), FromUnit<P>(blue)};
}

// The same, with the results the formula is known to give taken directly: where fa is zero
// the destination stays as it is (or turns transparent black with no alpha of its own), and
// an opaque source at full weight replaces it.  For the integer depths every channel then
// rounds back to itself; for float the shortcuts hold only where no zero sign, infinity or
// NaN could come out differently.
template <class P>
void InFront(const P& f, P& b, double weight) {
    using T = PixelTraits<P>;
    if constexpr (!T::isFloat) {
        if (weight == 0.0 || (f.alpha == 0 && std::isfinite(weight))) {
            if (b.alpha == 0) b = P{};
            return;
        }
        if (f.alpha == T::Full() && weight == 1.0) {
            b = f;
            return;
        }
    } else {
        auto plain = [](float c) { return c == c && c != 0.0f; };  // not NaN, not zero
        if ((f.alpha == 0.0f && std::isfinite(weight)) || (weight == 0.0 && std::isfinite(f.alpha))) {
            if (b.alpha <= 0.0f) {
                b = P{};
                return;
            }
            if (b.alpha < INFINITY && std::isfinite(f.red) && std::isfinite(f.green) &&
                std::isfinite(f.blue) && plain(b.red) && plain(b.green) && plain(b.blue)) {
                return;
            }
        } else if (f.alpha == 1.0f && weight == 1.0) {
            if (std::isfinite(b.alpha) && std::isfinite(b.red) && std::isfinite(b.green) &&
                std::isfinite(b.blue) && plain(f.red) && plain(f.green) && plain(f.blue)) {
                b = f;
                return;
            }
        }
    }
    InFrontExact(f, b, weight);
}

// Where InFront(f, b, weight) is known to leave b as it is: no source (f.alpha or the weight
// zero) over a destination that keeps its colour (see InFront).  `finiteWeight` and
// `zeroWeight` describe the weight.
template <class P>
bool KeepsDestination(const P& f, const P& b, bool finiteWeight, bool zeroWeight) {
    using T = PixelTraits<P>;
    if constexpr (!T::isFloat) {
        return (zeroWeight || (f.alpha == 0 && finiteWeight)) && b.alpha != 0;
    } else {
        auto plain = [](float c) { return c == c && c != 0.0f; };
        return ((f.alpha == 0.0f && finiteWeight) || (zeroWeight && std::isfinite(f.alpha))) &&
               b.alpha > 0.0f && b.alpha < INFINITY && std::isfinite(f.red) && std::isfinite(f.green) &&
               std::isfinite(f.blue) && plain(b.red) && plain(b.green) && plain(b.blue);
    }
}

// Runs go in blocks: a block the source leaves alone is only read, a block of opaque
// source at full weight on an integer depth is copied, any other goes pixel by pixel.  Where
// the destination shares memory with the source or the mask (`blocks` false), every pixel
// goes on its own, in order, as each may read what the one before wrote.
constexpr A_long kBlock = 16;

template <class P>
void InFrontRun(const P* f, P* b, A_long count, double weight, bool blocks) {
    using T = PixelTraits<P>;
    const bool finite = std::isfinite(weight), zero = weight == 0.0;
    const bool copies = !T::isFloat && weight == 1.0;
    auto pixel = [&](A_long i) {
        if (KeepsDestination(f[i], b[i], finite, zero)) return;
        if (copies && f[i].alpha == T::Full()) {
            b[i] = f[i];
            return;
        }
        InFront(f[i], b[i], weight);
    };
    A_long i = 0;
    for (; blocks && i + kBlock <= count; i += kBlock) {
        bool keep = true, opaque = copies;
        for (A_long k = 0; k < kBlock; ++k) keep &= KeepsDestination(f[i + k], b[i + k], finite, zero);
        if (keep) continue;
        for (A_long k = 0; k < kBlock; ++k) opaque &= f[i + k].alpha == T::Full();
        if (opaque) {
            std::memcpy(static_cast<void*>(b + i), f + i, kBlock * sizeof(P));
            continue;
        }
        for (A_long k = 0; k < kBlock; ++k) pixel(i + k);
    }
    for (; i < count; ++i) InFront(f[i], b[i], weight);
}

// Through mask pixels m: the weight is opacity times the mask's alpha (turned round when
// inverted).
template <class P, class M>
double MaskWeight(const M& m, double opacity, bool inverted) {
    const double a = PixelTraits<M>::ToUnit(m.alpha);
    return opacity * (inverted ? 1.0 - a : a);
}

template <class P, class M>
void InFrontMaskedRun(const P* f, P* b, const M* m, A_long count, double opacity, bool inverted,
                      bool blocks) {
    using T = PixelTraits<P>;
    using MaskChannel = typename PixelTraits<M>::Channel;
    A_long i = 0;
    if constexpr (!PixelTraits<M>::isFloat) {
        // Integer masks give finite weights; the mask value that gives the weight 1 exactly,
        // if any, lets an opaque source be copied.
        const MaskChannel fullAt = inverted ? MaskChannel(0) : PixelTraits<M>::Full();
        const bool copies = !T::isFloat && MaskWeight<P>(M{fullAt, 0, 0, 0}, opacity, inverted) == 1.0;
        const bool zero = opacity == 0.0;
        auto pixel = [&](A_long i) {
            if (KeepsDestination(f[i], b[i], true, zero)) return;
            if (copies && f[i].alpha == T::Full() && m[i].alpha == fullAt) {
                b[i] = f[i];
                return;
            }
            InFront(f[i], b[i], MaskWeight<P>(m[i], opacity, inverted));
        };
        // The mask is read only where the source is not known to leave the destination.
        for (; blocks && i + kBlock <= count; i += kBlock) {
            bool keep = true, opaque = copies;
            for (A_long k = 0; k < kBlock; ++k) keep &= KeepsDestination(f[i + k], b[i + k], true, zero);
            if (keep) continue;
            for (A_long k = 0; k < kBlock; ++k) opaque &= (f[i + k].alpha == T::Full()) & (m[i + k].alpha == fullAt);
            if (opaque) {
                std::memcpy(static_cast<void*>(b + i), f + i, kBlock * sizeof(P));
                continue;
            }
            for (A_long k = 0; k < kBlock; ++k) pixel(i + k);
        }
    }
    for (; i < count; ++i) InFront(f[i], b[i], MaskWeight<P>(m[i], opacity, inverted));
}

template <class P, class M>
void TransferRows(PF_ProgPtr ref, const PF_Rect& src_r, const PF_EffectWorld* src,
                  double opacity, const PF_MaskWorld* mask, A_long dest_x, A_long dest_y,
                  PF_EffectWorld* dst) {
    const PF_Rect s = Clip(src_r, src);
    const int64_t toDest = int64_t{dest_x} - src_r.left;  // destination column minus source column
    // Source columns whose destination lies in dst.
    const A_long x0 = static_cast<A_long>(std::max<int64_t>(s.left, -toDest));
    const A_long x1 = static_cast<A_long>(std::min<int64_t>(s.right, dst->width - toDest));
    if (x0 >= x1) return;
    const bool inverted = mask && (mask->what_is_mask & PF_MaskFlag_INVERTED);
    // Weight where the mask has no pixel (alpha 0).
    const double outside = mask ? opacity * (inverted ? 1.0 - 0.0 : 0.0) : opacity;
    // Rows read what earlier rows wrote when the destination shares memory with the source
    // or the mask: then one after another, as ever.
    const bool shared = Overlap(src, dst) || (mask && mask->mask.data && Overlap(&mask->mask, dst));
    ForRows(shared ? nullptr : ref, s.top, s.bottom, x1 - x0, [&](A_long top, A_long bottom) {
        for (A_long y = top; y < bottom; ++y) {
            const int64_t dy = int64_t{dest_y} + (y - src_r.top);
            if (dy < 0 || dy >= dst->height) continue;
            const P* f = RowOf<P>(src, y);
            P* b = RowOf<P>(dst, static_cast<A_long>(dy));
            const int64_t my = mask ? dy - mask->offset.v : -1;
            if (!mask || !mask->mask.data || my < 0 || my >= mask->mask.height) {
                InFrontRun(f + x0, b + x0 + toDest, x1 - x0, outside, !shared);
                continue;
            }
            // Destination columns dx with mask column dx - offset.h inside the mask world.
            const A_long in0 = static_cast<A_long>(std::clamp<int64_t>(mask->offset.h - toDest, x0, x1));
            const A_long in1 = static_cast<A_long>(
                std::clamp<int64_t>(int64_t{mask->offset.h} + mask->mask.width - toDest, in0, x1));
            InFrontRun(f + x0, b + x0 + toDest, in0 - x0, outside, !shared);
            const M* m = RowOf<M>(&mask->mask, static_cast<A_long>(my)) + (in0 + toDest - mask->offset.h);
            InFrontMaskedRun(f + in0, b + in0 + toDest, m, in1 - in0, opacity, inverted, !shared);
            InFrontRun(f + in1, b + in1 + toDest, x1 - in1, outside, !shared);
        }
    });
}

PF_Err TransferRect(PF_ProgPtr ref, PF_Quality, PF_ModeFlags m_flags, PF_Field, const PF_Rect* src_rec,
                    const PF_EffectWorld* src_world, const PF_CompositeMode* comp_mode,
                    const PF_MaskWorld* mask_world0, A_long dest_x, A_long dest_y,
                    PF_EffectWorld* dst_world) {
    ++PixelServiceCalls().transfer;
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
        return ByFormat(maskFormat, [&](auto maskPixel) {
            TransferRows<P, decltype(maskPixel)>(ref, src_r, src_world, opacity, mask_world0,
                                                 dest_x, dest_y, dst_world);
            return PF_Err_NONE;
        });
    });
}

PF_Err NoCompositeRect(PF_ProgPtr, PF_Rect*, A_long, PF_EffectWorld*, A_long, A_long, PF_Field,
                       PF_XferMode, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoBlend(PF_ProgPtr, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
               PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoConvolve(PF_ProgPtr, PF_EffectWorld*, const PF_Rect*, PF_KernelFlags, A_long, void*,
                  void*, void*, void*, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoTransformWorld(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_EffectWorld*,
                        const PF_CompositeMode*, const PF_MaskWorld*, const PF_FloatMatrix*,
                        A_long, PF_Boolean, const PF_Rect*, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}

}  // namespace

PixelServiceCounts& PixelServiceCalls() {
    static PixelServiceCounts counts;
    return counts;
}

const PF_FillMatteSuite2 kFillMatteSuite2 = {
    &Fill8,
    &Fill16,
    &FillFloat,
    &NoPremultiply,
    &NoPremultiplyColor<PF_Pixel>,
    &NoPremultiplyColor<PF_Pixel16>,
    &NoPremultiplyColor<PF_PixelFloat>,
};

const PF_WorldTransformSuite1 kWorldTransformSuite1 = {
    &NoCompositeRect, &NoBlend,      &NoConvolve,       &Copy,
    &CopyHq,          &TransferRect, &NoTransformWorld,
};

}  // namespace tonedot
