// Whether and how long the password check keeps its connections.
#pragma once

#include <chrono>
#include <cstddef>

namespace qor {

struct KeepPolicy {
    bool enabled = true;
    // A connection idle for longer is closed, never used again.
    std::chrono::milliseconds idle_limit{30000};
    // Idle connections kept for one set of session settings, and in all.
    std::size_t idle_per_key = 16;
    std::size_t idle_in_all = 64;
};

// The default policy, off when QORLDAP9_KEEP_CONNECTIONS is "0". The
// variable is honoured also in a set-user-ID process: it can only turn
// keeping off, which never makes a check less safe.
KeepPolicy keep_policy_from_environment();

}  // namespace qor
