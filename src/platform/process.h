// The calling process: fork() and the library's unload.
#pragma once

namespace qor::platform {

// Registers, once per process, routines run around fork() in the forking
// thread: prepare before the fork, parent and child after it in each
// process. Windows has no fork(): nothing is registered there.
void run_around_fork(void (*prepare)(), void (*parent)(), void (*child)());

// Registers the one routine run when the library is unloaded from a
// running process (dlclose, FreeLibrary) or, on POSIX systems, when the
// process exits normally. On Windows it does not run at process
// termination, when the loader lock is held and the system closes every
// socket itself.
void run_at_unload(void (*routine)());

}  // namespace qor::platform
