// The server list: a blank-separated list of hosts in HostNames, handed
// whole to the LDAP client's session initialisation.
#include <cstdio>

#include "qorldap9.h"
#include "util/text.h"

namespace {

bool host_chars_valid(const char *host) {
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(host); *p; ++p) {
        unsigned char c = *p;
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (!ok) return false;
    }
    return true;
}

// Entries are compared whole, so an entry carrying a port never equals a
// bare host name.
bool host_listed(const LDAP_Config *r, const char *host) {
    qor::Tokens tokens(qor::field_view(r->HostNames), " ");
    std::string_view entry;
    while (tokens.next(entry))
        if (entry == host) return true;
    return false;
}

}  // namespace

extern "C" {

extern "C" int QORLDAP9_CALL LDC_getNumServersEx(const LDAP_Config *r) {
    qor::Tokens tokens(qor::field_view(r->HostNames), " ");
    std::string_view entry;
    int count = 0;
    while (tokens.next(entry)) ++count;
    return count;
}

extern "C" int QORLDAP9_CALL LDC_addServerEx(LDAP_Config *r, const char *host, int32_t port) {
    if (!host_chars_valid(host)) return LDC_E_BAD_HOST;
    uint32_t uport = static_cast<uint32_t>(port);
    if (uport == 0 || uport > 65535) return LDC_E_BAD_PORT;
    if (host_listed(r, host)) return LDC_E_SERVER_LISTED;

    char composed[sizeof r->HostNames];
    std::string_view old = qor::field_view(r->HostNames);
    int n = snprintf(composed, sizeof composed, "%.*s %s:%d", static_cast<int>(old.size()), old.data(), host,
                     static_cast<int>(uport));
    if (n < 0 || static_cast<size_t>(n) >= sizeof composed) return LDC_E_SERVER_LIST_FULL;
    memcpy(r->HostNames, composed, static_cast<size_t>(n) + 1);
    return 0;
}

}  // extern "C"
