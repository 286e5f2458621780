// The limits in force for every session of the process.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "directory/directory_session.h"
#include "directory/host_failover.h"

namespace qor {
namespace {

struct Limits {
    std::mutex lock;
    SessionLimits value = default_session_limits();
};

// Never destroyed: other threads may still open sessions while the
// process exits.
Limits &limits() {
    static Limits *l = new Limits;
    return *l;
}

void put_in_force(const SessionLimits &value) {
    close_kept_sessions();
    forget_dead_hosts();
    Limits &l = limits();
    std::lock_guard<std::mutex> guard(l.lock);
    l.value = value;
}

}  // namespace

SessionLimits default_session_limits() {
    SessionLimits defaults;
    const char *keep = std::getenv("QORLDAP9_KEEP_CONNECTIONS");
    defaults.keep.enabled = keep == nullptr || std::strcmp(keep, "0") != 0;
    return defaults;
}

SessionLimits session_limits() {
    Limits &l = limits();
    std::lock_guard<std::mutex> guard(l.lock);
    return l.value;
}

std::chrono::milliseconds request_deadline(const SessionLimits &limits, int time_limit) {
    if (time_limit <= 0) return limits.request_default;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(time_limit)) +
           limits.request_margin;
}

void set_session_limits_for_testing(const SessionLimits &value) { put_in_force(value); }

void reset_session_limits_for_testing() { put_in_force(default_session_limits()); }

}  // namespace qor
