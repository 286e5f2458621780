// The calling process's lifecycle: fork() and the library's unload. Every
// piece of the library that holds process-wide state registers its hooks
// here, and only here.
//
// The lifetime rule for process-wide state: it is never destroyed. It is
// allocated at its first use and left to the system when the process
// ends, so that a thread still running while the process exits, or a fork
// handler, never meets it destroyed. What must be released before the
// library goes (connections, sessions) is released by the holder's unload
// hook, which leaves the state itself usable.
#pragma once

namespace qor::platform {

// The holders of process-wide state, in the order their prepare hooks run
// before a fork. The registry's gate comes first: it waits for the threads
// inside the registry to leave, and they may need any lock below to leave.
// The others only take their lock. Parent and child hooks run in the
// reverse order, releasing the locks in the reverse order of taking them;
// unload hooks run in this order.
enum class ProcessStateHolder {
    RegistryGate,         // registry/fork_gate.cpp
    DirectorySessions,    // directory/session_pool.cpp
    RegistryConnections,  // registry/registry_connection.cpp
    Components,           // platform/posix/com.cpp
};
constexpr int kProcessStateHolders = 4;

// A null hook is skipped.
struct ProcessHooks {
    void (*prepare)() = nullptr;  // before fork(), in the forking thread
    void (*parent)() = nullptr;   // after fork(), in the parent
    void (*child)() = nullptr;    // after fork(), in the child, whose only thread is the forking one
    // When the library is unloaded from a running process (dlclose,
    // FreeLibrary) or, on POSIX systems, when the process exits normally.
    // On Windows it does not run at process termination, when the loader
    // lock is held and the system closes every socket itself.
    void (*unload)() = nullptr;
};

// Registers holder's hooks; registering the same holder again replaces
// them. Windows has no fork(): only the unload hook runs there.
void register_process_hooks(ProcessStateHolder holder, const ProcessHooks &hooks);

}  // namespace qor::platform
