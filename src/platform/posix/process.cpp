#include <pthread.h>

#include <mutex>

#include "platform/process_backend.h"

namespace qor::platform {
namespace {

// Its destructor runs at dlclose and at a normal exit, before the
// destructors of the libraries this one depends on (libldap, GnuTLS).
struct UnloadNotice {
    ~UnloadNotice() { run_unload_hooks(); }
} g_unload_notice;

}  // namespace

// Handlers registered from a shared library are dropped when it is unloaded.
void watch_forks() {
    static std::once_flag once;
    std::call_once(once, [] { pthread_atfork(run_prepare_hooks, run_parent_hooks, run_child_hooks); });
}

}  // namespace qor::platform
