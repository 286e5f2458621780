// How long a directory session waits, decided here for every platform;
// the client backends apply these numbers and choose none of their own.
#pragma once

#include <limits>

namespace qor::platform {

// Bounds reaching a host, so that a dead or silent host fails within
// seconds and the next host of the list gets its turn. libldap applies it
// to the TCP connect and the TLS handshake alike; WLDAP32 takes a deadline
// for its explicit connect only, and its connect needs longer on a slow
// system.
#if defined(_WIN32)
constexpr int kConnectTimeoutSeconds = 5;
#else
constexpr int kConnectTimeoutSeconds = 2;
#endif

// Requests wait longer: a server may work as long as its time limit allows,
// and an answer given up on may still be acted on.
constexpr int kRequestMarginSeconds = 2;
constexpr int kDefaultRequestSeconds = 120;

// How long the client waits for the answer to a request on a session whose
// server-side time limit is time_limit seconds (0: no limit).
constexpr int request_deadline_seconds(int time_limit) {
    bool limited = time_limit > 0 && time_limit <= std::numeric_limits<int>::max() - kRequestMarginSeconds;
    return limited ? time_limit + kRequestMarginSeconds : kDefaultRequestSeconds;
}

}  // namespace qor::platform
