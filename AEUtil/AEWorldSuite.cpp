#include "AEUtil/AEWorldSuite.h"

#include <cstring>
#include <new>
#include <utility>
#include "AEUtil/AEException.h"

namespace AEUtil {
namespace {

// A suite acquired straight from the basic suite and released when this goes.
template <class T>
class DirectSuite {
public:
    DirectSuite(SPBasicSuite* basic, const char* name, int32 version)
        : basic_(basic), name_(name), version_(version) {
        const void* suite = nullptr;
        const SPErr err = basic_->AcquireSuite(name, version, &suite);
        if (err == kSPNoError) {
            acquired_ = true;
            suite_ = static_cast<const T*>(suite);
        }
    }
    ~DirectSuite() {
        if (acquired_) basic_->ReleaseSuite(name_, version_);
    }
    DirectSuite(const DirectSuite&) = delete;
    DirectSuite& operator=(const DirectSuite&) = delete;
    const T* get() const { return suite_; }

private:
    SPBasicSuite* basic_;
    const char* name_;
    int32 version_;
    bool acquired_ = false;
    const T* suite_ = nullptr;
};

}  // namespace

EffectWorldPtr::EffectWorldPtr(const EffectWorldPtr& other) noexcept
    : block_(other.block_), world_(other.world_) {
    if (block_) ++block_->count;
}

EffectWorldPtr::EffectWorldPtr(EffectWorldPtr&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)), world_(std::exchange(other.world_, nullptr)) {}

EffectWorldPtr& EffectWorldPtr::operator=(const EffectWorldPtr& other) noexcept {
    if (this != &other) {
        if (other.block_) ++other.block_->count;
        reset();
        block_ = other.block_;
        world_ = other.world_;
    }
    return *this;
}

EffectWorldPtr& EffectWorldPtr::operator=(EffectWorldPtr&& other) noexcept {
    if (this != &other) {
        reset();
        block_ = std::exchange(other.block_, nullptr);
        world_ = std::exchange(other.world_, nullptr);
    }
    return *this;
}

EffectWorldPtr::~EffectWorldPtr() { reset(); }

int32_t EffectWorldPtr::UseCount() const noexcept { return block_ ? block_->count : 0; }

void EffectWorldPtr::reset() noexcept {
    Block* block = std::exchange(block_, nullptr);
    world_ = nullptr;
    if (block && --block->count == 0) Dispose(block);
}

void EffectWorldPtr::Dispose(Block* block) noexcept {
    if (block->allocated && block->basic) {
        DirectSuite<PF_WorldSuite2> v2(block->basic, kPFWorldSuite, kPFWorldSuiteVersion2);
        if (v2.get()) {
            v2.get()->PF_DisposeWorld(block->effectRef, &block->world);
        } else {
            DirectSuite<PF_WorldSuite1> v1(block->basic, kPFWorldSuite, kPFWorldSuiteVersion1);
            if (v1.get()) v1.get()->dispose_world(block->effectRef, &block->world);
        }
    }
    delete block;
}

EffectWorldPtr WorldSuite::newWorld(PF_InData* in_data, A_long width, A_long height,
                                    PF_PixelFormat pixelFormat) {
    if (pixelFormat != PF_PixelFormat_ARGB32 && pixelFormat != PF_PixelFormat_ARGB64 &&
        pixelFormat != PF_PixelFormat_ARGB128) {
        AE_THROW(PF_Err_UNRECOGNIZED_PARAM_TYPE,
                 "AEUtil::WorldSuite::newWorld: unknown pixel format 0x%08X",
                 static_cast<unsigned>(pixelFormat));
    }
    SPBasicSuite* basic = in_data->pica_basicP;
    if (!basic) throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM);

    EffectWorldPtr result;
    result.block_ = new EffectWorldPtr::Block{basic, in_data->effect_ref, {}, 1, false};
    result.world_ = &result.block_->world;
    std::memset(&result.block_->world, 0, sizeof result.block_->world);

    PF_Err err = PF_Err_NONE;
    bool served = false;
    {
        DirectSuite<PF_WorldSuite2> v2(basic, kPFWorldSuite, kPFWorldSuiteVersion2);
        if (v2.get()) {
            err = v2.get()->PF_NewWorld(in_data->effect_ref, width, height, true, pixelFormat,
                                        &result.block_->world);
            served = true;
        } else if (pixelFormat != PF_PixelFormat_ARGB128) {
            DirectSuite<PF_WorldSuite1> v1(basic, kPFWorldSuite, kPFWorldSuiteVersion1);
            if (v1.get()) {
                const PF_NewWorldFlags flags =
                    pixelFormat == PF_PixelFormat_ARGB64
                        ? PF_NewWorldFlag_CLEAR_PIXELS | PF_NewWorldFlag_DEEP_PIXELS
                        : PF_NewWorldFlag_CLEAR_PIXELS;
                err = v1.get()->new_world(in_data->effect_ref, width, height, flags,
                                          &result.block_->world);
                served = true;
            }
        }
    }
    if (!served) {
        AE_THROW(PF_Err_BAD_CALLBACK_PARAM,
                 pixelFormat == PF_PixelFormat_ARGB128
                     ? "AEUtil::WorldSuite::newWorld: float worlds need \"PF World Suite\" 2"
                     : "AEUtil::WorldSuite::newWorld: the host has no \"PF World Suite\"");
    }
    if (err != PF_Err_NONE) {
        AE_THROW(err,
                 "AEUtil::EffectWorldPtr AEUtil::WorldSuite::newWorld(PF_InData*, A_long, "
                 "A_long, PF_PixelFormat)");
    }
    result.block_->allocated = true;
    return result;
}

}  // namespace AEUtil

PF_Err GetWorldPixelFormat(PF_InData* in_data, const PF_EffectWorld* world,
                           PF_PixelFormat* format) {
    SPBasicSuite* basic = in_data->pica_basicP;
    if (basic) {
        AEUtil::DirectSuite<PF_WorldSuite2> v2(basic, kPFWorldSuite, kPFWorldSuiteVersion2);
        if (v2.get()) return v2.get()->PF_GetPixelFormat(world, format);
    }
    *format = (world->world_flags & PF_WorldFlag_DEEP) ? PF_PixelFormat_ARGB64
                                                       : PF_PixelFormat_ARGB32;
    return PF_Err_NONE;
}
