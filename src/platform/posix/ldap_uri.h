// Turning the Windows client's host list into libldap's URI list.
#pragma once

#include <string>

namespace qor::platform {

// hosts: entries separated by blanks, each "host", "host:port",
// "[v6-address]", "[v6-address]:port" or a bare IPv6 address (more than
// one colon, no port). Entries without a port take port; a port of 0
// means the scheme's standard port. Writes "ldap://..." or "ldaps://..."
// URIs separated by blanks into uris and returns LDAP_SUCCESS, or
// LDAP_PARAM_ERROR for an empty list, an out-of-range or malformed port,
// an empty host or a host with characters that have a meaning in URIs.
int build_uri_list(const char *hosts, int port, bool ssl, std::string &uris);

}  // namespace qor::platform
