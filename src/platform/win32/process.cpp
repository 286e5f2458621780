#include "platform/process.h"

#include <windows.h>

#include <atomic>

namespace qor::platform {
namespace {

std::atomic<void (*)()> g_unload_routine{nullptr};

}  // namespace

void run_around_fork(void (*)(), void (*)(), void (*)()) {}

void run_at_unload(void (*routine)()) { g_unload_routine.store(routine); }

}  // namespace qor::platform

// Reserved is null when FreeLibrary unloads the library from a running
// process, and not null at process termination.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        if (void (*routine)() = qor::platform::g_unload_routine.load()) routine();
    }
    return TRUE;
}
