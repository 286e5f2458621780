// The servers of a profile as the command line gives them (--host,
// --hosts): host names, IPv4 and bracketed IPv6 addresses with an
// optional port, and ldap:// or ldaps:// URIs, turned into the profile's
// blank-separated HostNames. The library's own LDC_addServerEx takes
// plain names only, so the tool forms the list itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qorldap9.h"

namespace qorldap {

enum class Scheme { kNone, kLdap, kLdaps };

// One server as the profile keeps it.
struct Server {
    std::string entry;              // NAME, NAME:PORT, [V6] or [V6]:PORT
    Scheme scheme = Scheme::kNone;  // the URI's, when it was given as one
};

// Reads one server. Returns why it is refused; empty when out holds it.
std::string parse_server(std::string_view text, Server &out);

// What a set command says about servers.
struct ServerOptions {
    std::optional<std::string> list;  // --hosts: the whole list, blank- or comma-separated
    std::vector<std::string> added;   // --host, each one server
    std::optional<int> ssl;           // --ssl, when given
    bool port_given = false;          // --port was given
};

// Replaces (list) and extends (added) the servers of r. A URI's scheme
// sets Ssl (ldaps:// 1, ldap:// 0) and, unless a port was given, Port to
// the scheme's port. Returns why the servers are refused (r then
// unchanged); empty when applied.
std::string apply_servers(LDAP_Config &r, const ServerOptions &o);

}  // namespace qorldap
