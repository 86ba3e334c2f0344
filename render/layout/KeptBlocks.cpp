#include "render/layout/KeptBlocks.h"

#include <cassert>
#include <mutex>
#include <vector>

namespace Render {

namespace {

// A large block is preceded by a header holding its capacity; the header is as large as
// the strictest fundamental alignment, so the block keeps it.
constexpr size_t kHeaderBytes = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t) : sizeof(size_t);

struct Kept {
    char* base;       // the header
    size_t capacity;  // bytes after the header
};

class Store {
public:
    ~Store() { Release(); }

    // A kept block of at least `bytes` and at most twice that, or null.
    char* Take(size_t bytes)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t best = kept_.size();
        for (size_t i = 0; i < kept_.size(); ++i) {
            const size_t c = kept_[i].capacity;
            if (c >= bytes && c / 2 <= bytes && (best == kept_.size() || c < kept_[best].capacity)) best = i;
        }
        if (best == kept_.size()) return nullptr;
        char* base = kept_[best].base;
        keptBytes_ -= kept_[best].capacity;
        kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(best));
        return base;
    }

    // Keeps the block, the oldest kept ones making room; a block larger than the store
    // is freed.
    void Give(char* base, size_t capacity)
    {
        if (capacity > kKeptBytesMax) {
            ::operator delete(base);
            return;
        }
        std::vector<char*> freed;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (keptBytes_ + capacity > kKeptBytesMax) {
                freed.push_back(kept_.front().base);
                keptBytes_ -= kept_.front().capacity;
                kept_.erase(kept_.begin());
            }
            try {
                kept_.push_back(Kept{base, capacity});
                keptBytes_ += capacity;
            } catch (...) {
                freed.push_back(base);
            }
        }
        for (char* p : freed) ::operator delete(p);
    }

    void Release()
    {
        std::vector<Kept> kept;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            kept.swap(kept_);
            keptBytes_ = 0;
        }
        for (const Kept& k : kept) ::operator delete(k.base);
    }

    size_t Bytes()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return keptBytes_;
    }

private:
    std::mutex mutex_;
    std::vector<Kept> kept_;  // oldest first
    size_t keptBytes_ = 0;
};

Store& TheStore()
{
    static Store store;
    return store;
}

}  // namespace

void* TakeBlock(size_t bytes)
{
    if (bytes < kKeptBlockMinBytes) return ::operator new(bytes);
    char* base = TheStore().Take(bytes);
    if (base == nullptr) {
        if (bytes > static_cast<size_t>(-1) - kHeaderBytes) throw std::bad_alloc();
        base = static_cast<char*>(::operator new(kHeaderBytes + bytes));
        *reinterpret_cast<size_t*>(base) = bytes;
    }
    return base + kHeaderBytes;
}

void GiveBlock(void* block, size_t bytes) noexcept
{
    if (block == nullptr) return;
    if (bytes < kKeptBlockMinBytes) {
        ::operator delete(block);
        return;
    }
    char* base = static_cast<char*>(block) - kHeaderBytes;
    const size_t capacity = *reinterpret_cast<const size_t*>(base);
    assert(capacity >= bytes);
    TheStore().Give(base, capacity);
}

void ReleaseKeptBlocks() noexcept { TheStore().Release(); }

size_t KeptBytes() noexcept { return TheStore().Bytes(); }

}  // namespace Render
