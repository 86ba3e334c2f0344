// The reference-counted handle through which each effector holds its effect map for one
// render.  The count is a plain integer: a handle and its copies stay on one thread.
#pragma once
#include <cassert>
#include <cstdint>
#include <utility>
#include "render/effectors/BaseEffectMap.h"

namespace Render {

class SharedCountBase {
public:
    SharedCountBase() = default;
    SharedCountBase(const SharedCountBase&) = delete;
    SharedCountBase& operator=(const SharedCountBase&) = delete;
    virtual ~SharedCountBase() = default;
    // Deletes the owned object and then this block.
    virtual void Dispose() = 0;

    int32_t useCount = 1;
};

template <class T>
class SharedCountImpl_P : public SharedCountBase {
public:
    explicit SharedCountImpl_P(T* owned) : owned_(owned) {}
    void Dispose() override {
        delete owned_;
        delete this;
    }

private:
    T* owned_;
};

class EffectMapHandle {
public:
    EffectMapHandle() = default;
    // Takes ownership of `map` (which may be null: an empty handle).
    explicit EffectMapHandle(BaseEffectMap* map) : map_(map) {
        if (!map_) return;
        try {
            count_ = new SharedCountImpl_P<BaseEffectMap>(map_);
        } catch (...) {
            delete map_;
            throw;
        }
    }
    EffectMapHandle(const EffectMapHandle& other) : map_(other.map_), count_(other.count_) {
        if (count_) ++count_->useCount;
    }
    EffectMapHandle(EffectMapHandle&& other) noexcept
        : map_(std::exchange(other.map_, nullptr)), count_(std::exchange(other.count_, nullptr)) {}
    EffectMapHandle& operator=(EffectMapHandle other) noexcept {
        std::swap(map_, other.map_);
        std::swap(count_, other.count_);
        return *this;
    }
    ~EffectMapHandle() { Release(); }

    void Release() {
        if (count_) {
            assert(count_->useCount > 0);
            if (--count_->useCount == 0) count_->Dispose();
        }
        map_ = nullptr;
        count_ = nullptr;
    }

    BaseEffectMap* Get() const { return map_; }
    BaseEffectMap* operator->() const { return map_; }
    BaseEffectMap& operator*() const { return *map_; }
    explicit operator bool() const { return map_ != nullptr; }
    int32_t UseCount() const { return count_ ? count_->useCount : 0; }

private:
    BaseEffectMap* map_ = nullptr;
    SharedCountBase* count_ = nullptr;
};

}  // namespace Render
