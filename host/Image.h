// Images the stand-in host owns: plain memory behind a PF_EffectWorld record, in 8-bit, 16-bit
// or float ARGB.  Rows are padded, so code that ignores rowbytes is caught.
#pragma once
#include <cstdint>
#include <memory>
#include "AEUtil/HostApi.h"

namespace tonedot {

// 4, 8 or 16 for the three formats; 0 for anything else.
int BytesPerPixel(PF_PixelFormat format);

// Gives back the pixel memory kept from images that went for the next image of the same size
// (at most 8 blocks, 1 GiB): for a program that stops rendering for a while.
void ReleaseKeptImageMemory();

class Image {
public:
    // Every pixel (and the padding) zero.
    Image(PF_PixelFormat format, A_long width, A_long height, A_long originX = 0,
          A_long originY = 0);
    // Pixels as they come, as the host hands out memory it does not clear: fresh memory has
    // every byte `freshByte`; memory an image of the same size left behind keeps its bytes.
    struct Uncleared {
        unsigned char freshByte;
    };
    Image(PF_PixelFormat format, A_long width, A_long height, A_long originX, A_long originY,
          Uncleared contents);
    // A view of `rect` (inside the source) of another image's pixels, placed at the
    // rectangle's corner: no pixels of its own; the source must outlive it.
    Image(const Image& source, const PF_LRect& rect);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    PF_EffectWorld* World() { return &world_; }
    const PF_EffectWorld* World() const { return &world_; }
    PF_PixelFormat Format() const { return format_; }
    A_long Width() const { return world_.width; }
    A_long Height() const { return world_.height; }

    template <class P>
    P& At(A_long x, A_long y) {
        return reinterpret_cast<P*>(reinterpret_cast<unsigned char*>(world_.data) +
                                    static_cast<size_t>(y) * world_.rowbytes)[x];
    }
    template <class P>
    const P& At(A_long x, A_long y) const {
        return reinterpret_cast<const P*>(reinterpret_cast<const unsigned char*>(world_.data) +
                                          static_cast<size_t>(y) * world_.rowbytes)[x];
    }
    template <class P>
    void Fill(const P& pixel) {
        for (A_long y = 0; y < Height(); ++y)
            for (A_long x = 0; x < Width(); ++x) At<P>(x, y) = pixel;
    }
    // Sets every byte of the pixel area (padding included).
    void FillBytes(unsigned char value);

    // The format the host recorded for a world it handed out, or 0 for a world it does not
    // know (never made, or already gone).
    static PF_PixelFormat FormatOf(const PF_EffectWorld* world);
    // The image behind a world record the host handed out, or null.
    static Image* Of(const PF_EffectWorld* world);

private:
    void Init(PF_PixelFormat format, A_long width, A_long height, A_long originX, A_long originY,
              int fill);

    PF_PixelFormat format_;
    std::unique_ptr<unsigned char[]> pixels_;  // null for a view
    size_t bytes_ = 0;
    PF_EffectWorld world_;
};

}  // namespace tonedot
