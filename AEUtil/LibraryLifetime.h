// What happens when the library is loaded into and unloaded from the host's process.  The
// platform's load notification (DllMain on Windows, a static object elsewhere) calls these.
#pragma once

namespace AEUtil {

// Stores the module handle of the library.
void OnLibraryLoad(void* module) noexcept;
// Empties the dialog registry and destroys every parameter descriptor.
void OnLibraryUnload() noexcept;
// The library's module handle (HINSTANCE on Windows; the base address of the mapping elsewhere).
void* ModuleHandle() noexcept;

}  // namespace AEUtil
