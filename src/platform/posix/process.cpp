#include "platform/process.h"

#include <pthread.h>

#include <atomic>
#include <mutex>

namespace qor::platform {
namespace {

std::atomic<void (*)()> g_unload_routine{nullptr};

// Its destructor runs at dlclose and at a normal exit, before the
// destructors of the libraries this one depends on (libldap, GnuTLS).
struct UnloadHook {
    ~UnloadHook() {
        if (void (*routine)() = g_unload_routine.load()) routine();
    }
} g_unload_hook;

}  // namespace

void run_around_fork(void (*prepare)(), void (*parent)(), void (*child)()) {
    static std::once_flag once;
    std::call_once(once, [&] { pthread_atfork(prepare, parent, child); });
}

void run_at_unload(void (*routine)()) { g_unload_routine.store(routine); }

}  // namespace qor::platform
