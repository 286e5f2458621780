// Puts every test seam of the platform layer back to the real thing when
// it comes and when it goes: a fixture that bends any of them holds one,
// so that no test leaves a failing heap, injected digest faults, a
// pretended version or a component folder behind for the next.
#pragma once

#include "platform/test_seams.h"

class SeamGuard {
  public:
    SeamGuard() { qor::platform::reset_seams_for_testing(); }
    ~SeamGuard() { qor::platform::reset_seams_for_testing(); }
    SeamGuard(const SeamGuard &) = delete;
    SeamGuard &operator=(const SeamGuard &) = delete;
};
