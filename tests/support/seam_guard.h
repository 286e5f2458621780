// Puts every test seam back to the real thing when it comes and when it
// goes: a fixture that bends any of them holds one, so that no test leaves
// a failing heap, injected digest faults, a pretended version, a component
// folder or shortened session limits (with their kept connections and
// remembered dead hosts) behind for the next.
#pragma once

#include <chrono>

#include "directory/session_limits.h"
#include "platform/test_seams.h"

class SeamGuard {
  public:
    SeamGuard() { reset(); }
    ~SeamGuard() { reset(); }
    SeamGuard(const SeamGuard &) = delete;
    SeamGuard &operator=(const SeamGuard &) = delete;

  private:
    static void reset() {
        qor::platform::reset_seams_for_testing();
        qor::reset_session_limits_for_testing();
    }
};

namespace qor_test {

// Session limits in milliseconds for tests of slow, silent and dead
// hosts, so that they wait no real-time deadline longer than a second:
// reaching a host (a TLS handshake on a busy machine included) within
// 400 ms, an answer within a second, and a profile's Timeout of 1 a second.
// A held-back answer of kSlowAnswer falls between the two.
inline qor::SessionLimits quick_session_limits() {
    using std::chrono::milliseconds;
    qor::SessionLimits limits = qor::default_session_limits();
    limits.connect = milliseconds(400);
    limits.bind = milliseconds(1000);
    limits.request_margin = milliseconds(0);
    limits.request_default = milliseconds(1000);
    limits.outstanding_change = milliseconds(1000);
    return limits;
}

constexpr std::chrono::milliseconds kSlowAnswer{500};

}  // namespace qor_test
