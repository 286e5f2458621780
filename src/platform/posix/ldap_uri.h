// Turning the Windows client's host list into libldap's URI list.
#pragma once

#include <string>

namespace qor::platform {

// hosts: entries separated by blanks, each "host", "host:port",
// "[v6-address]", "[v6-address]:port" or a bare IPv6 address (more than
// one colon, no port). Entries without a port take port; a port of 0
// means the scheme's standard port. Writes "ldap://..." or "ldaps://..."
// URIs separated by blanks into uris and returns LDAP_SUCCESS. Entries
// that cannot form a URI (an out-of-range or malformed port, an empty
// host, a host with characters that have a meaning in URIs) are left
// out; LDAP_PARAM_ERROR when no entry is left or port is out of range.
int build_uri_list(const char *hosts, int port, bool ssl, std::string &uris);

}  // namespace qor::platform
