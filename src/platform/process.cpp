// The table of process hooks and the order they run in; the system's
// notifications come through the backend.
#include "platform/process.h"

#include <atomic>

#include "platform/process_backend.h"

namespace qor::platform {
namespace {

// One slot per holder: trivially destructible, so the table outlives
// every hook that may still run while the process exits.
struct Slot {
    std::atomic<void (*)()> prepare{nullptr}, parent{nullptr}, child{nullptr}, unload{nullptr};
};
Slot g_slots[kProcessStateHolders];

using Stage = std::atomic<void (*)()> Slot::*;

void run_forward(Stage stage) {
    for (Slot &slot : g_slots)
        if (void (*hook)() = (slot.*stage).load()) hook();
}

void run_backward(Stage stage) {
    for (int i = kProcessStateHolders - 1; i >= 0; --i)
        if (void (*hook)() = (g_slots[i].*stage).load()) hook();
}

}  // namespace

void register_process_hooks(ProcessStateHolder holder, const ProcessHooks &hooks) {
    Slot &slot = g_slots[static_cast<int>(holder)];
    slot.prepare.store(hooks.prepare);
    slot.parent.store(hooks.parent);
    slot.child.store(hooks.child);
    slot.unload.store(hooks.unload);
    watch_forks();
}

void run_prepare_hooks() { run_forward(&Slot::prepare); }
void run_parent_hooks() { run_backward(&Slot::parent); }
void run_child_hooks() { run_backward(&Slot::child); }
void run_unload_hooks() { run_forward(&Slot::unload); }

}  // namespace qor::platform
