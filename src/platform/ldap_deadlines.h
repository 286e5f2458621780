// How long a directory session waits: the value its opener hands to the
// LDAP client backend, and the platform's default connect deadline. Apart
// from ldap_client.h so that code that only sets limits needs no LDAP
// client header.
#pragma once

#include <chrono>

namespace qor::platform {

// How long reaching a host (the TLS handshake included) may take when the
// caller chooses nothing else: libldap bounds the TCP connect and the
// handshake alike; WLDAP32 takes a deadline for its explicit connect only,
// and needs longer on a slow system.
#if defined(_WIN32)
constexpr std::chrono::milliseconds kDefaultConnectDeadline{5000};
#else
constexpr std::chrono::milliseconds kDefaultConnectDeadline{2000};
#endif

// How long a session waits, chosen by whoever opens it.
struct Deadlines {
    std::chrono::milliseconds connect;  // reaching a host, the TLS handshake included
    std::chrono::milliseconds request;  // the answer to each request but a bind
};

}  // namespace qor::platform
