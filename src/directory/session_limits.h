// Part of the session module's face (directory_session.h, which includes
// it): the value holding every wait of a session and the failover and keep
// policies, and the calls that read and, for tests, set it. Apart so that
// code that only sets limits needs no LDAP client header.
#pragma once

#include <chrono>
#include <cstddef>

#include "platform/ldap_deadlines.h"

namespace qor {

// Whether and how long the password check keeps its connections.
struct KeepPolicy {
    bool enabled = true;
    // A connection idle for longer is closed, never used again.
    std::chrono::milliseconds idle_limit{30000};
    // Idle connections kept for one set of session settings, and in all.
    std::size_t idle_per_key = 16;
    std::size_t idle_in_all = 64;
    // Expired connections of settings nobody uses are looked for at most
    // this often.
    std::chrono::milliseconds sweep_interval{1000};
};

// Every wait of a session, and the failover policy.
struct SessionLimits {
    // Reaching a host, the TLS handshake included: a dead or silent host
    // fails within it and the next host of the list gets its turn.
    std::chrono::milliseconds connect = platform::kDefaultConnectDeadline;
    // The answer to a bind, whatever the profile's Timeout: a host that
    // takes a connection and never answers costs this long at most.
    std::chrono::milliseconds bind{10000};
    // Other requests wait the profile's Timeout (the server's time limit
    // for a search) and this margin, since a server may work as long as
    // its limit allows; or request_default where Timeout is 0 (no limit).
    std::chrono::milliseconds request_margin{2000};
    std::chrono::milliseconds request_default{120000};
    // A password change's modify waits for its own answer at least this
    // long: a directory may apply a change whose answer is late, so only
    // the answer tells what became of it.
    std::chrono::milliseconds outstanding_change{30000};
    // How long a host that gave no answer is tried after the others.
    std::chrono::milliseconds dead_host_memory{30000};
    KeepPolicy keep;
};

// Returns the limits a process starts with: those above, with keeping
// off when QORLDAP9_KEEP_CONNECTIONS is "0". The variable is honoured
// also in a set-user-ID process: it can only turn keeping off, which
// never makes a check less safe.
SessionLimits default_session_limits();
// Returns the limits in force.
SessionLimits session_limits();
// Returns how long a request but a bind waits under limits on a session
// whose server-side time limit is time_limit seconds (0: no limit).
std::chrono::milliseconds request_deadline(const SessionLimits &limits, int time_limit);

// Tests only: closes every kept connection, forgets the hosts that did
// not answer and puts limits in force; the reset puts the defaults back
// (tests/support/seam_guard.h does both).
void set_session_limits_for_testing(const SessionLimits &limits);
void reset_session_limits_for_testing();

}  // namespace qor
