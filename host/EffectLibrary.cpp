#include "host/EffectLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tonedot {

#if defined(_WIN32)

EffectLibrary::EffectLibrary(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    module_ = module;
    entry_ = reinterpret_cast<EntryPointFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "EntryPointFunc")));
    if (!entry_) error_ = path + " does not export EntryPointFunc";
}

EffectLibrary::~EffectLibrary() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

void* EffectLibrary::Symbol(const char* name) const {
    if (!module_) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

#else

EffectLibrary::EffectLibrary(const std::string& path) {
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* message = dlerror();
        error_ = message ? message : ("cannot load " + path);
        return;
    }
    entry_ = reinterpret_cast<EntryPointFn>(dlsym(module_, "EntryPointFunc"));
    if (!entry_) error_ = path + " does not export EntryPointFunc";
}

EffectLibrary::~EffectLibrary() {
    if (module_) dlclose(module_);
}

void* EffectLibrary::Symbol(const char* name) const {
    return module_ ? dlsym(module_, name) : nullptr;
}

#endif

}  // namespace tonedot
