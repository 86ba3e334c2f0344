#include "AEUtil/LibraryLifetime.h"

#include "params/ParamRegistry.h"

using namespace Params;

namespace AEUtil {
namespace {
void* gModule = nullptr;
}

void OnLibraryLoad(void* module) noexcept { gModule = module; }

void OnLibraryUnload() noexcept {
    // Nothing may escape into the loader.
    DestroyEffect();
    try {
        ClearParamRegistry();
    } catch (...) {
    }
}

void* ModuleHandle() noexcept { return gModule; }

}  // namespace AEUtil
