// What each platform supplies to src/platform/process.cpp, and what it
// calls there: the backend passes on the system's fork and unload
// notifications.
#pragma once

namespace qor::platform {

// Asks the system, once per process, for the fork notifications; a no-op
// where there is no fork().
void watch_forks();

// The hooks of every registered holder at one stage, in the order of
// process.h.
void run_prepare_hooks();
void run_parent_hooks();
void run_child_hooks();
void run_unload_hooks();

}  // namespace qor::platform
