// Loading and unloading the library does no work of its own; an unloading gives back what the
// C++ runtime kept for the module and the shared verification context, so that loading the
// library for each use costs nothing.
#include <windows.h>

#include "frame/module_unload.h"
#include "frame/verification_context.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        vemo::ReleaseSharedVerificationContext();
        vemo::ReleaseRuntimeReserve();
    }
    return TRUE;
}
