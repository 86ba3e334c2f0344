#include "host/Image.h"

#include <cstring>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

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

// Pixel memory of images that went, kept for the next image of the same byte size, so the
// frames of a sequence get their worlds without fresh pages from the system each time.  Only
// large blocks are kept, and only a few; sanitizer builds keep none, so that a world used
// after it went is still caught.
// Set when the cache went with the statics; images that outlive it give their memory back.
bool gBlockCacheGone = false;

class BlockCache {
public:
    static BlockCache* Instance() {
        static BlockCache cache;
        return gBlockCacheGone ? nullptr : &cache;
    }
    ~BlockCache() { gBlockCacheGone = true; }

    std::unique_ptr<unsigned char[]> Take(size_t bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
            if (it->first == bytes) {
                std::unique_ptr<unsigned char[]> block = std::move(it->second);
                blocks_.erase(it);
                held_ -= bytes;
                return block;
            }
        }
        return nullptr;
    }

    void Give(size_t bytes, std::unique_ptr<unsigned char[]> block) {
        if (!kEnabled || bytes < kMinBytes || bytes > kMaxHeld) return;
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_.emplace_back(bytes, std::move(block));
        held_ += bytes;
        while (blocks_.size() > kMaxBlocks || held_ > kMaxHeld) {  // the oldest go first
            held_ -= blocks_.front().first;
            blocks_.erase(blocks_.begin());
        }
    }

    void Clear() {
        std::vector<std::pair<size_t, std::unique_ptr<unsigned char[]>>> gone;
        std::lock_guard<std::mutex> lock(mutex_);
        gone.swap(blocks_);
        held_ = 0;
    }

private:
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr bool kEnabled = false;
#else
    static constexpr bool kEnabled = true;
#endif
    static constexpr size_t kMinBytes = size_t{1} << 20;
    static constexpr size_t kMaxBlocks = 8;
    static constexpr size_t kMaxHeld = size_t{1} << 30;

    std::mutex mutex_;
    std::vector<std::pair<size_t, std::unique_ptr<unsigned char[]>>> blocks_;
    size_t held_ = 0;
};

}  // namespace

void ReleaseKeptImageMemory() {
    if (BlockCache* cache = BlockCache::Instance()) cache->Clear();
}

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
    Init(format, width, height, originX, originY, 0);
}

Image::Image(PF_PixelFormat format, A_long width, A_long height, A_long originX, A_long originY,
             Uncleared contents)
    : format_(format) {
    Init(format, width, height, originX, originY, -1 - contents.freshByte);
}

// `fill` 0..255 sets every byte; -1 - b leaves reused memory as it is and sets fresh memory
// to b.
void Image::Init(PF_PixelFormat format, A_long width, A_long height, A_long originX,
                 A_long originY, int fill) {
    const size_t bpp = BytesPerPixel(format);
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    const size_t h = height > 0 ? static_cast<size_t>(height) : 0;
    const size_t rowbytes = w * bpp + kRowPadding;
    bytes_ = rowbytes * (h ? h : 1);
    if (BlockCache* cache = BlockCache::Instance()) pixels_ = cache->Take(bytes_);
    if (!pixels_) {
        pixels_.reset(new unsigned char[bytes_]);
        std::memset(pixels_.get(), fill >= 0 ? fill : -1 - fill, bytes_);
    } else if (fill >= 0) {
        std::memset(pixels_.get(), fill, bytes_);
    }
    std::memset(&world_, 0, sizeof world_);
    world_.reserved0 = this;
    world_.world_flags = PF_WorldFlag_WRITEABLE |
                         (format == PF_PixelFormat_ARGB64 ? PF_WorldFlags{PF_WorldFlag_DEEP} : 0);
    world_.data = reinterpret_cast<PF_PixelPtr>(pixels_.get());
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

Image::Image(const Image& source, const PF_LRect& rect) : format_(source.format_) {
    world_ = source.world_;
    world_.reserved0 = this;
    world_.data = reinterpret_cast<PF_PixelPtr>(
        reinterpret_cast<unsigned char*>(source.world_.data) +
        static_cast<size_t>(rect.top) * source.world_.rowbytes +
        static_cast<size_t>(rect.left) * BytesPerPixel(format_));
    world_.width = rect.right - rect.left;
    world_.height = rect.bottom - rect.top;
    world_.extent_hint = {0, 0, world_.width, world_.height};
    world_.origin_x = rect.left;
    world_.origin_y = rect.top;
    std::lock_guard<std::mutex> lock(gImagesMutex);
    LiveImages().insert(this);
}

Image::~Image() {
    {
        std::lock_guard<std::mutex> lock(gImagesMutex);
        LiveImages().erase(this);
    }
    BlockCache* cache = pixels_ ? BlockCache::Instance() : nullptr;
    if (cache) cache->Give(bytes_, std::move(pixels_));
}

void Image::FillBytes(unsigned char value) {
    if (pixels_) {
        std::memset(pixels_.get(), value, bytes_);
    } else {  // a view: its rows only
        const size_t row = static_cast<size_t>(world_.width) * BytesPerPixel(format_);
        for (A_long y = 0; y < world_.height; ++y) {
            std::memset(reinterpret_cast<unsigned char*>(world_.data) +
                            static_cast<size_t>(y) * world_.rowbytes, value, row);
        }
    }
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
