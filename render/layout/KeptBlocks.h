// Large blocks kept between frames.  A dense frame's dot records and sort keys take tens
// to hundreds of megabytes, and memory fresh from the system costs a page fault (and the
// zeroing of a page) on its first touch: at 4K with a dot every 3 pixels that was a
// quarter of the frame's time.  Blocks of at least kKeptBlockMinBytes go back to a store
// when freed and are handed out again to a request they fit; the store keeps at most
// kKeptBytesMax, the newest first, and is emptied by ReleaseKeptBlocks (the effect's
// global setdown) and when the library is unloaded.  Safe to use from any thread.
#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace Render {

constexpr size_t kKeptBlockMinBytes = size_t{1} << 20;
constexpr size_t kKeptBytesMax = size_t{256} << 20;

// At least `bytes` bytes, aligned for any type; throws std::bad_alloc.  Free it with
// GiveBlock and the same `bytes`.
void* TakeBlock(size_t bytes);
void GiveBlock(void* block, size_t bytes) noexcept;

// Frees every kept block; blocks in use are not touched.
void ReleaseKeptBlocks() noexcept;
// The bytes the store keeps now.
size_t KeptBytes() noexcept;

// The allocator of a frame's large arrays: blocks from the store above, and new elements
// left uninitialised when no value is given (resize), as the arrays are written in parts,
// on several threads, straight after they are made.
template <class T>
struct FrameAllocator {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = FrameAllocator<U>;
    };
    FrameAllocator() = default;
    template <class U>
    FrameAllocator(const FrameAllocator<U>&) noexcept {}

    T* allocate(size_t n)
    {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(TakeBlock(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { GiveBlock(p, n * sizeof(T)); }

    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            ::new (static_cast<void*>(p)) U;
        } else {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    }

    friend bool operator==(const FrameAllocator&, const FrameAllocator&) { return true; }
    friend bool operator!=(const FrameAllocator&, const FrameAllocator&) { return false; }
};

}  // namespace Render
