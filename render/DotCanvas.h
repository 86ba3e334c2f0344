// PLACEHOLDER until the rasteriser lands (its owner replaces this file): the drawing target of
// one render, reduced to the dot layer it draws into.
#pragma once
#include <cstddef>
#include <cstdint>

template <class P>
class DotCanvas {
public:
    DotCanvas(void* pixels, int32_t width, int32_t height, int32_t rowBytes)
        : pixels_(static_cast<unsigned char*>(pixels)),
          width_(width),
          height_(height),
          rowBytes_(rowBytes) {}
    DotCanvas(const DotCanvas&) = delete;
    DotCanvas& operator=(const DotCanvas&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t RowBytes() const { return rowBytes_; }
    P* Row(int32_t y) {
        return reinterpret_cast<P*>(pixels_ + static_cast<std::ptrdiff_t>(y) * rowBytes_);
    }

private:
    unsigned char* pixels_;
    int32_t width_;
    int32_t height_;
    int32_t rowBytes_;
};
