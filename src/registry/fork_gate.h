// Keeps fork() out of the registry's database work. A child process
// inherits SQLite's in-memory lock state and any mutex another thread held
// at the fork, but not that thread: a transaction open elsewhere at the
// fork would never end in the child, whose every access to the database
// would then wait on it. So a fork waits until no other thread is inside
// the registry or holds a transaction open, and no thread enters while it
// waits.
#pragma once

namespace qor::registry {

// Marks the calling thread as inside the registry (calls and open
// transactions nest) while the object lives.
class ForkGuard {
  public:
    ForkGuard();
    ~ForkGuard();
    ForkGuard(const ForkGuard &) = delete;
    ForkGuard &operator=(const ForkGuard &) = delete;
};

// The same for a transaction that outlives the call that opened it:
// enter when it begins, leave once when it ends.
void fork_gate_enter();
void fork_gate_leave();

}  // namespace qor::registry
