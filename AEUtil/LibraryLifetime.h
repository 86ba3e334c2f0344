// What happens when the library is loaded into and unloaded from the host's process.  The
// platform's load notification (DllMain on Windows, a static object elsewhere) calls these.
#pragma once

namespace AEUtil {

// Stores the module handle of the library.
void OnLibraryLoad(void* module) noexcept;
// Destroys the effect object if it is still alive (its destructor releases what the effect
// keeps for the process, the registry of open dialogs among it) and every parameter
// descriptor.
void OnLibraryUnload() noexcept;
// The library's module handle (HINSTANCE on Windows; the base address of the mapping elsewhere).
void* ModuleHandle() noexcept;

// Destroys the effect object in place if it is alive (EntryPoint.cpp keeps it); a later
// global setup builds it again.
void DestroyEffect() noexcept;

}  // namespace AEUtil
