#include "host/WorldStore.h"

namespace tonedot {

PF_Err WorldStore::New(A_long width, A_long height, PF_PixelFormat format, bool clear,
                       PF_EffectWorld* world) {
    if (!world || width < 0 || height < 0 || !BytesPerPixel(format)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (successesBeforeFailure_ == 0) return failure_;
    if (successesBeforeFailure_ > 0) --successesBeforeFailure_;
    // Uncleared memory is not zero, so nothing can rely on it.
    auto image = clear ? std::make_unique<Image>(format, width, height)
                       : std::make_unique<Image>(format, width, height, 0, 0, Image::Uncleared{0xA5});
    *world = *image->World();
    live_.emplace(image.get(), std::move(image));
    ++made_;
    return PF_Err_NONE;
}

PF_Err WorldStore::Dispose(PF_EffectWorld* world) {
    Image* image = Image::Of(world);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = live_.find(image);
    if (!image || it == live_.end()) {
        ++misuse_;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    live_.erase(it);
    ++disposed_;
    return PF_Err_NONE;
}

size_t WorldStore::LiveCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

size_t WorldStore::MadeCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return made_;
}

size_t WorldStore::DisposedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return disposed_;
}

size_t WorldStore::MisuseCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return misuse_;
}

void WorldStore::FailAllocation(int successes, PF_Err err) {
    std::lock_guard<std::mutex> lock(mutex_);
    successesBeforeFailure_ = successes;
    failure_ = err;
}

}  // namespace tonedot
