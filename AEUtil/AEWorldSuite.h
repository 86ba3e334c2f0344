// Image buffers (worlds) allocated from the host, owned by shared handles.
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"

namespace AEUtil {

// Shared owning handle of one host world.  Copies share the world; the last one to go disposes
// it.  The count is not atomic: a handle belongs to one thread.
class EffectWorldPtr {
public:
    EffectWorldPtr() = default;
    EffectWorldPtr(const EffectWorldPtr& other) noexcept;
    EffectWorldPtr(EffectWorldPtr&& other) noexcept;
    EffectWorldPtr& operator=(const EffectWorldPtr& other) noexcept;
    EffectWorldPtr& operator=(EffectWorldPtr&& other) noexcept;
    ~EffectWorldPtr();

    PF_EffectWorld* get() const noexcept { return world_; }
    PF_EffectWorld* operator->() const noexcept { return world_; }
    PF_EffectWorld& operator*() const noexcept { return *world_; }
    explicit operator bool() const noexcept { return world_ != nullptr; }
    int32_t UseCount() const noexcept;
    void reset() noexcept;

private:
    friend struct WorldSuite;
    struct Block {
        SPBasicSuite* basic;
        PF_ProgPtr effectRef;
        PF_EffectWorld world;
        int32_t count;
        bool allocated;  // the host made the world, so it must be disposed
    };
    static void Dispose(Block* block) noexcept;

    Block* block_ = nullptr;
    PF_EffectWorld* world_ = nullptr;
};

struct WorldSuite {
    // A cleared world of the given size in PF_PixelFormat_ARGB32, _ARGB64 or _ARGB128, made
    // with "PF World Suite" 2, or 1 when the host lacks 2 (8 and 16 bits only).  Throws
    // AEException when the host refuses or cannot make the format.
    static EffectWorldPtr newWorld(PF_InData* in_data, A_long width, A_long height,
                                   PF_PixelFormat pixelFormat);
};

}  // namespace AEUtil

// The pixel format of an existing world; without "PF World Suite" 2 the world's deep flag
// decides between 16 and 8 bits.
PF_Err GetWorldPixelFormat(PF_InData* in_data, const PF_EffectWorld* world,
                           PF_PixelFormat* format);
