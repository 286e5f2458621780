#include <windows.h>

#include "platform/process_backend.h"

namespace qor::platform {

void watch_forks() {}

}  // namespace qor::platform

// Reserved is null when FreeLibrary unloads the library from a running
// process, and not null at process termination.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) qor::platform::run_unload_hooks();
    return TRUE;
}
