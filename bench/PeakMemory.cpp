#include "bench/PeakMemory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> gLive{0};
std::atomic<size_t> gPeak{0};

// Each block carries its size in a header as large as its alignment.
void* Allocate(size_t bytes, size_t align) {
    if (align < alignof(std::max_align_t)) align = alignof(std::max_align_t);
    void* raw = align == alignof(std::max_align_t) ? std::malloc(bytes + align)
                                                   : std::aligned_alloc(align, (bytes + 2 * align - 1) / align * align);
    if (raw == nullptr) throw std::bad_alloc();
    auto* header = static_cast<size_t*>(raw);
    header[0] = bytes;
    auto* block = static_cast<char*>(raw) + align;
    reinterpret_cast<size_t*>(block)[-1] = align;  // header[1] when align is the default
    const size_t live = gLive.fetch_add(bytes) + bytes;
    size_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
    return block;
}

void Release(void* p) {
    if (p == nullptr) return;
    // The alignment sits just before the block, the size at the start of the raw block.
    const size_t align = static_cast<size_t*>(p)[-1];
    auto* header = reinterpret_cast<size_t*>(static_cast<char*>(p) - align);
    gLive.fetch_sub(header[0]);
    std::free(header);
}

}  // namespace

size_t LiveHeapBytes() { return gLive.load(); }
size_t PeakHeapBytes() { return gPeak.load(); }
void ResetPeakHeap() { gPeak.store(gLive.load()); }

void* operator new(size_t bytes) { return Allocate(bytes, 0); }
void* operator new[](size_t bytes) { return Allocate(bytes, 0); }
void* operator new(size_t bytes, std::align_val_t a) { return Allocate(bytes, static_cast<size_t>(a)); }
void* operator new[](size_t bytes, std::align_val_t a) { return Allocate(bytes, static_cast<size_t>(a)); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return Allocate(bytes, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return Allocate(bytes, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
