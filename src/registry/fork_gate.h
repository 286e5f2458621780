// Keeps fork() out of the registry's database work. A child process
// inherits SQLite's in-memory lock state and any mutex another thread held
// at the fork, but not that thread: a transaction open elsewhere at the
// fork would never end in the child, whose every access to the database
// would then wait on it. So a fork waits until no other thread is inside
// the registry or holds a transaction open, and no thread enters while it
// waits. A thread that only waits for a database lock another connection
// holds, holding none itself, is not inside meanwhile.
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
// enter once its database lock is held, leave once when it ends.
void fork_gate_enter();
void fork_gate_leave();

// Takes the calling thread's calls (not its transactions) out of the gate
// while the object lives, and back in (after a fork under way) when it
// goes: for a wait for another connection's database lock while this
// connection holds none, which may last the busy limit and leaves nothing
// behind that a child could inherit half done. The connection's own mutex
// stays held meanwhile: a child never uses a connection its parent had in
// use.
class ForkGateStepOut {
  public:
    ForkGateStepOut();
    ~ForkGateStepOut();
    ForkGateStepOut(const ForkGateStepOut &) = delete;
    ForkGateStepOut &operator=(const ForkGateStepOut &) = delete;

  private:
    int calls_;
};

}  // namespace qor::registry
