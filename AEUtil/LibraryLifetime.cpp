#include "AEUtil/LibraryLifetime.h"

#include "AEUtil/EffectHooks.h"

namespace AEUtil {
namespace {
void* gModule = nullptr;
}

void OnLibraryLoad(void* module) noexcept { gModule = module; }

void OnLibraryUnload() noexcept {
    // Neither registry's clear may let anything escape into the loader.
    try {
        ClearDialogRegistry();
    } catch (...) {
    }
    try {
        DestroyParamDescriptors();
    } catch (...) {
    }
}

void* ModuleHandle() noexcept { return gModule; }

}  // namespace AEUtil
