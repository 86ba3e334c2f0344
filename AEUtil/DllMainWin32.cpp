// The library's process attach and detach notification on Windows.
#include <windows.h>

#include "AEUtil/LibraryLifetime.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            AEUtil::OnLibraryLoad(instance);
            break;
        case DLL_PROCESS_DETACH:
            AEUtil::OnLibraryUnload();
            break;
        default:  // thread attach and detach
            break;
    }
    return TRUE;
}
