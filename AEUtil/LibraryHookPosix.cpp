// The library's load and unload notification outside Windows.  The destructor function runs
// before the library's static objects are destroyed (as DllMain's detach does on Windows), so
// the registries it empties are still alive.
#include <dlfcn.h>

#include "AEUtil/LibraryLifetime.h"

namespace {

__attribute__((constructor)) void OnLoad() {
    Dl_info info{};
    void* base = nullptr;
    if (dladdr(reinterpret_cast<void*>(&AEUtil::ModuleHandle), &info) != 0) {
        base = info.dli_fbase;
    }
    AEUtil::OnLibraryLoad(base);
}

__attribute__((destructor)) void OnUnload() { AEUtil::OnLibraryUnload(); }

}  // namespace
