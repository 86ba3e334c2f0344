// A custom map read from a layer image: the weight is the luminance of the image pixel under
// a point times its alpha, and the image's colour under a point can be sampled for the dots.
// A dot-layer point (x, y) lands on image pixel (u, v) through the affine transform
// u = a*x + b*y + c, v = d*x + e*y + f; points off the image are wrapped or clamped by the
// tiling mode.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include "AEUtil/HostApi.h"
#include "AEUtil/Pixel.h"
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/effectors/BaseEffectMap.h"

namespace Render {

// A "Tiling" value that names no choice: coordinates are left as they are.
constexpr int32_t kTilingUnknown = -1;

// The tiling mode of a "Tiling" popup value.
inline int32_t LayerTilingFromPopup(int32_t popupValue) {
    return popupValue >= Look::kTilingNone && popupValue <= Look::kTilingExtendEdge ? popupValue
                                                                          : kTilingUnknown;
}

// One image coordinate after tiling; `out` is set when mode None leaves it off the image.
// Done in 64 bits so that far-away points cannot overflow.
inline int64_t TileCoordinate(int64_t u, int64_t size, int32_t mode, bool& out) {
    if (u >= 0 && u < size) return u;
    switch (mode) {
        case Look::kTilingExtendEdge: return u < 0 ? 0 : size - 1;
        case Look::kTilingRepeat: return u < 0 ? size + ((u - size + 1) % size) - 1 : u % size;
        case Look::kTilingMirror: {
            const int64_t m = u < 0 ? -u : u;
            return (m / size) % 2 != 0 ? size - (m % size) - 1 : m % size;
        }
        case Look::kTilingNone: out = true; return u;
        default: return u;
    }
}

// The luminance a map reads from a pixel's colour, on the pixel's own scale.
template <class P>
double MapLuminance(const P& p) {
    return 0.298912 * p.red + 0.586611 * p.green + 0.114478 * p.blue;
}

// The weight of a map pixel from its luminance and alpha, per depth.
template <class P>
double LayerMapWeight(double luminance, double alpha) {
    using Traits = PixelTraits<P>;
    if constexpr (Traits::isFloat) {
        return luminance * alpha;  // no limit
    } else {
        constexpr double scale = 1.0 / Traits::maxValue;
        return std::min(1.0, luminance * scale) * alpha * scale;
    }
}

template <class P>
class LayerEffectMap : public BaseEffectMap {
public:
    // How much of the dot layer the image is laid over.
    enum class Coverage { Transform, Nothing };

    // The image is taken relative to (centerX, centerY), turned by -angle, scaled and placed
    // on the image's centre.  Without an image the transform stays the identity.  With
    // Coverage::Nothing the image is laid over no part of the dot layer (a Fit to Layer over
    // a dot layer without area): Value is 0 and no pixel is ever read.
    LayerEffectMap(double centerX, double centerY, double angleDegrees, double scaleX,
                   double scaleY, int32_t tilingPopup, const PF_EffectWorld* image,
                   Coverage coverage = Coverage::Transform)
        : image_(image), tiling_(LayerTilingFromPopup(tilingPopup)),
          coversNothing_(coverage == Coverage::Nothing) {
        outside_.alpha = PixelTraits<P>::Full();
        outside_.red = 0;
        outside_.green = 0;
        outside_.blue = 0;
        if (!image_) return;
        const double theta = -angleDegrees * kDegToRad;
        const double cs = std::cos(theta);
        const double sn = std::sin(theta);
        const double halfW = image_->width / 2.0;
        const double halfH = image_->height / 2.0;
        a_ = scaleX * cs;
        b_ = scaleX * sn;
        c_ = halfW - (a_ * centerX + b_ * centerY);
        d_ = -scaleY * sn;
        e_ = scaleY * cs;
        f_ = halfH - (d_ * centerX + e_ * centerY);
    }

    const PF_EffectWorld* Image() const { return image_; }
    int32_t Tiling() const { return tiling_; }
    bool CoversNothing() const { return coversNothing_; }
    const P& OutsideColor() const { return outside_; }

    // The nearest image pixel to a dot-layer point before tiling (halves round up).
    void ImageCoordinates(double x, double y, int64_t& u, int64_t& v) const {
        u = ToCoordinate(std::floor(a_ * x + b_ * y + c_ + 0.5));
        v = ToCoordinate(std::floor(d_ * x + e_ * y + f_ + 0.5));
    }

    // The image's colour under a point with the tiling mode applied; the outside colour when
    // tiling None leaves the point off the image, opaque black when there is nothing to read.
    P Sample(double x, double y) const {
        if (!HasPixels() || coversNothing_) return outside_;
        int64_t u, v;
        ImageCoordinates(x, y, u, v);
        bool out = false;
        u = TileCoordinate(u, image_->width, tiling_, out);
        v = TileCoordinate(v, image_->height, tiling_, out);
        if (out) return outside_;
        return Read(u, v);
    }

    // The image pixel right under a point, without tiling: false (and `pixel` untouched)
    // when the point is off the image.  Opaque black when the image has no pixel data.
    bool PixelUnder(double x, double y, P& pixel) const {
        if (!image_ || coversNothing_) return false;
        int64_t u, v;
        ImageCoordinates(x, y, u, v);
        if (u < 0 || u >= image_->width || v < 0 || v >= image_->height) return false;
        pixel = Read(u, v);
        return true;
    }

    // Luminance of the sampled pixel times its alpha.
    double Value(double x, double y) const override {
        if (coversNothing_) return 0.0;
        const P p = Sample(x, y);
        const double luminance = MapLuminance(p);
        return LayerMapWeight<P>(luminance, p.alpha);
    }

private:
    bool HasPixels() const {
        return image_ && image_->width > 0 && image_->height > 0 && image_->data;
    }

    // A rounded image coordinate as an integer; far-off (or not-a-number) points become a
    // coordinate far off the image rather than an overflow.
    static int64_t ToCoordinate(double r) {
        constexpr double kLimit = 4611686018427387904.0;  // 2^62
        if (!(r > -kLimit)) return -static_cast<int64_t>(kLimit);
        if (r > kLimit) return static_cast<int64_t>(kLimit);
        return static_cast<int64_t>(r);
    }

    P Read(int64_t u, int64_t v) const {
        if (!HasPixels() || u < 0 || u >= image_->width || v < 0 || v >= image_->height) {
            return outside_;  // opaque black
        }
        const char* row = reinterpret_cast<const char*>(image_->data) + v * image_->rowbytes;
        return reinterpret_cast<const P*>(row)[u];
    }

    const PF_EffectWorld* image_;
    double a_ = 1.0, b_ = 0.0, c_ = 0.0;
    double d_ = 0.0, e_ = 1.0, f_ = 0.0;
    int32_t tiling_;
    P outside_;
    bool coversNothing_;
};

}  // namespace Render
