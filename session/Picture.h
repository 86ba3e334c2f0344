// An image in the host's pixel layout: alpha, red, green, blue with straight colour, in
// 8-bit (0..255), 16-bit (0..32768) or float (1.0 full), rows packed without padding.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "AEUtil/Pixel.h"

namespace tonedot::session {

enum class Depth { Bits8 = 8, Bits16 = 16, Float32 = 32 };

inline PF_PixelFormat FormatOf(Depth d) {
    switch (d) {
        case Depth::Bits8: return PF_PixelFormat_ARGB32;
        case Depth::Bits16: return PF_PixelFormat_ARGB64;
        case Depth::Float32: break;
    }
    return PF_PixelFormat_ARGB128;
}

inline Depth DepthFromFormat(PF_PixelFormat f) {
    return f == PF_PixelFormat_ARGB64 ? Depth::Bits16 : (f == PF_PixelFormat_ARGB128 ? Depth::Float32 : Depth::Bits8);
}

inline int BytesPerPixelOf(Depth d) {
    return d == Depth::Bits8 ? 4 : (d == Depth::Bits16 ? 8 : 16);
}

// Calls f.template operator()<P>() with the pixel type of the depth.
template <class F>
decltype(auto) WithPixelType(Depth d, F&& f) {
    switch (d) {
        case Depth::Bits8: return f(Pixel8{});
        case Depth::Bits16: return f(Pixel16{});
        case Depth::Float32: break;
    }
    return f(Pixel32{});
}

template <class P> struct DepthOf;
template <> struct DepthOf<Pixel8> { static constexpr Depth value = Depth::Bits8; };
template <> struct DepthOf<Pixel16> { static constexpr Depth value = Depth::Bits16; };
template <> struct DepthOf<Pixel32> { static constexpr Depth value = Depth::Float32; };

// Read-only pixels of the host's layout somewhere in memory (a picture, a host world).
struct PixelView {
    Depth depth = Depth::Bits8;
    int width = 0, height = 0;
    const unsigned char* data = nullptr;
    std::size_t rowBytes = 0;

    template <class P>
    const P& At(int x, int y) const {
        return reinterpret_cast<const P*>(data + static_cast<std::size_t>(y) * rowBytes)[x];
    }
    const unsigned char* Row(int y) const { return data + static_cast<std::size_t>(y) * rowBytes; }
};

class Picture {
public:
    Picture() = default;
    Picture(Depth depth, int width, int height)
        : depth_(depth), width_(width), height_(height),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                  static_cast<std::size_t>(BytesPerPixelOf(depth))) {}

    Depth GetDepth() const { return depth_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width_) * BytesPerPixelOf(depth_); }
    unsigned char* Data() { return pixels_.data(); }
    const unsigned char* Data() const { return pixels_.data(); }

    template <class P>
    P& At(int x, int y) {
        return reinterpret_cast<P*>(pixels_.data() + static_cast<std::size_t>(y) * RowBytes())[x];
    }
    template <class P>
    const P& At(int x, int y) const {
        return reinterpret_cast<const P*>(pixels_.data() + static_cast<std::size_t>(y) * RowBytes())[x];
    }
    PixelView View() const { return {depth_, width_, height_, pixels_.data(), RowBytes()}; }
    bool operator==(const Picture& o) const {
        return depth_ == o.depth_ && width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
    }

    // Copies the picture into a world of the same size and depth (rows may be padded
    // there), or back out of one.
    void CopyToWorld(PF_EffectWorld& world) const {
        for (int y = 0; y < height_; ++y)
            std::memcpy(reinterpret_cast<unsigned char*>(world.data) + static_cast<std::size_t>(y) * world.rowbytes,
                        pixels_.data() + static_cast<std::size_t>(y) * RowBytes(), RowBytes());
    }
    void CopyFromWorld(const PF_EffectWorld& world) {
        for (int y = 0; y < height_; ++y)
            std::memcpy(pixels_.data() + static_cast<std::size_t>(y) * RowBytes(),
                        reinterpret_cast<const unsigned char*>(world.data) + static_cast<std::size_t>(y) * world.rowbytes,
                        RowBytes());
    }

private:
    Depth depth_ = Depth::Bits8;
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> pixels_;
};

// The picture in another depth (channels rescaled: 8-bit to 16-bit is v * 32768 / 255
// rounded, float is clamped to 0..1 for the integer depths).
Picture ConvertDepth(const Picture& picture, Depth depth);

// The picture at a reduced resolution, as the host hands a layer to the effect at a
// downsampling of 1/dx by 1/dy: each output pixel is the alpha-weighted mean of the source
// pixels it covers.  The size is trunc(width / dx + 0.5) by trunc(height / dy + 0.5).
Picture Downsample(const Picture& picture, int dx, int dy);

// The picture with alpha = its luminance (as a custom map reads it) times its alpha: a
// mask from a grey image.
Picture LuminanceAsAlpha(Picture picture);

// The picture turned upright from an EXIF orientation (1 upright, 2 mirrored, 3 turned
// half way, 4 flipped, 5 transposed, 6 turned a quarter clockwise to be upright, 7
// transversed, 8 turned a quarter anticlockwise to be upright); 1 and unknown values
// leave it as it is.
Picture Upright(Picture picture, int orientation);

}  // namespace tonedot::session
