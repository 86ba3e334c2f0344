#include "host/Image.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

namespace tonedot {
namespace {

// Every live image, so a world record coming back from the effect can be recognised.  The
// record's reserved0 points at its image.
std::mutex gImagesMutex;
std::unordered_set<const Image*>& LiveImages() {
    static std::unordered_set<const Image*> images;
    return images;
}

constexpr size_t kRowPadding = 16;

}  // namespace

int BytesPerPixel(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return 4;
        case PF_PixelFormat_ARGB64: return 8;
        case PF_PixelFormat_ARGB128: return 16;
        default: return 0;
    }
}

Image::Image(PF_PixelFormat format, A_long width, A_long height, A_long originX,
             A_long originY)
    : format_(format) {
    const size_t bpp = BytesPerPixel(format);
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    const size_t h = height > 0 ? static_cast<size_t>(height) : 0;
    const size_t rowbytes = w * bpp + kRowPadding;
    pixels_.assign(rowbytes * (h ? h : 1), 0);
    std::memset(&world_, 0, sizeof world_);
    world_.reserved0 = this;
    world_.world_flags = PF_WorldFlag_WRITEABLE |
                         (format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0);
    world_.data = pixels_.data();
    world_.rowbytes = static_cast<A_long>(rowbytes);
    world_.width = static_cast<A_long>(w);
    world_.height = static_cast<A_long>(h);
    world_.extent_hint = {0, 0, world_.width, world_.height};
    world_.pix_aspect_ratio = {1, 1};
    world_.origin_x = originX;
    world_.origin_y = originY;
    std::lock_guard<std::mutex> lock(gImagesMutex);
    LiveImages().insert(this);
}

Image::~Image() {
    std::lock_guard<std::mutex> lock(gImagesMutex);
    LiveImages().erase(this);
}

void Image::FillBytes(unsigned char value) {
    std::memset(pixels_.data(), value, pixels_.size());
}

Image* Image::Of(const PF_EffectWorld* world) {
    if (!world) return nullptr;
    const Image* image = static_cast<const Image*>(world->reserved0);
    std::lock_guard<std::mutex> lock(gImagesMutex);
    if (!LiveImages().count(image)) return nullptr;
    // A record that names an image but points elsewhere is not the host's.
    if (world->data != image->world_.data) return nullptr;
    return const_cast<Image*>(image);
}

PF_PixelFormat Image::FormatOf(const PF_EffectWorld* world) {
    const Image* image = Of(world);
    return image ? image->format_ : 0;
}

}  // namespace tonedot
