#include "registry/fork_gate.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/process.h"

namespace qor::registry {
namespace {

struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int inside = 0;  // threads' entries not yet left
    bool forking = false;
};

// Never destroyed: the fork handlers may run until the process ends.
Gate &gate() {
    static Gate *g = new Gate;
    return *g;
}

// The calling thread's own entries: a thread that forks from within the
// registry waits only for the others, and a thread already inside is not
// held at the gate (it would wait for a fork that waits for it).
thread_local int t_inside = 0;

void before_fork() {
    Gate &g = gate();
    std::unique_lock<std::mutex> hold(g.lock);
    g.forking = true;
    g.changed.wait(hold, [&] { return g.inside <= t_inside; });
    hold.release();  // kept locked across the fork
}

void after_fork_in_parent() {
    Gate &g = gate();
    g.forking = false;
    g.lock.unlock();
    g.changed.notify_all();
}

// Only the forking thread lives on in the child: its entries are all
// that remain.
void after_fork_in_child() {
    Gate &g = gate();
    g.forking = false;
    g.inside = t_inside;
    g.lock.unlock();
}

void install_handlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        platform::register_process_hooks(platform::ProcessStateHolder::RegistryGate,
                                         {before_fork, after_fork_in_parent, after_fork_in_child, nullptr});
    });
}

}  // namespace

namespace {

// The calling thread's entries made by ForkGuard, as opposed to those of
// the transactions it holds.
thread_local int t_calls = 0;

void enter(int entries) {
    if (entries == 0) return;
    install_handlers();
    Gate &g = gate();
    std::unique_lock<std::mutex> hold(g.lock);
    if (t_inside == 0) g.changed.wait(hold, [&] { return !g.forking; });
    g.inside += entries;
    t_inside += entries;
}

void leave(int entries) {
    if (entries == 0) return;
    Gate &g = gate();
    {
        std::lock_guard<std::mutex> hold(g.lock);
        // A transaction may end on another thread than the one that began
        // it; the count of the whole process is what a fork waits on.
        g.inside -= std::min(entries, g.inside);
        t_inside -= std::min(entries, t_inside);
    }
    g.changed.notify_all();
}

}  // namespace

void fork_gate_enter() { enter(1); }
void fork_gate_leave() { leave(1); }

ForkGuard::ForkGuard() {
    enter(1);
    ++t_calls;
}

ForkGuard::~ForkGuard() {
    --t_calls;
    leave(1);
}

ForkGateStepOut::ForkGateStepOut() : calls_(t_calls) {
    t_calls = 0;
    leave(calls_);
}

ForkGateStepOut::~ForkGateStepOut() {
    enter(calls_);
    t_calls = calls_;
}

}  // namespace qor::registry
