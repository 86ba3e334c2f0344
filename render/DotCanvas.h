// The drawing target of one render: the dot layer, the current transform and colour, and
// the polygon filler that draws into it.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include "render/AffineTransform.h"
#include "render/PolygonFiller.h"

template <class P>
class DotCanvas {
public:
    // Over a layer of `width` x `height` pixels of type P, `rowBytes` apart; the transform
    // starts as the identity.
    DotCanvas(void* pixels, int32_t width, int32_t height, int32_t rowBytes)
        : pixels_(static_cast<unsigned char*>(pixels)),
          width_(width),
          height_(height),
          rowBytes_(rowBytes),
          filler_(pixels, width, height, rowBytes, transform_, color_) {}

    DotCanvas(const DotCanvas&) = delete;
    DotCanvas& operator=(const DotCanvas&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t RowBytes() const { return rowBytes_; }
    P* Row(int32_t y) { return reinterpret_cast<P*>(pixels_ + static_cast<std::ptrdiff_t>(y) * rowBytes_); }

    AffineTransform& Transform() { return transform_; }
    const AffineTransform& Transform() const { return transform_; }

    const P& Color() const { return color_; }
    void SetColor(const P& color) { color_ = color; }

    PolygonFiller<P>& Filler() { return filler_; }

    // this->Transform().Rotate(theta), remembering the sine and cosine of the last angle:
    // the dots of a frame often share their rotation.
    void Rotate(double theta) {
        if (!(theta == lastTheta_) || !turnValid_) {
            lastSin_ = std::sin(theta);
            lastCos_ = std::cos(theta);
            lastTheta_ = theta;
            turnValid_ = true;
        }
        transform_.RotateBy(lastSin_, lastCos_);
    }

private:
    unsigned char* pixels_;
    int32_t width_;
    int32_t height_;
    int32_t rowBytes_;
    AffineTransform transform_;
    P color_{};
    bool turnValid_ = false;
    double lastTheta_ = 0.0, lastSin_ = 0.0, lastCos_ = 1.0;
    PolygonFiller<P> filler_;  // refers to transform_ and color_, so it comes after them
};
