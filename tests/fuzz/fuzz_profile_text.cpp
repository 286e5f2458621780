// Feeds arbitrary text to the record helpers that parse or compose text:
// user DNs, DNS domains and the server list.
#include <cstdint>
#include <cstring>
#include <string>

#include "config/user_dn.h"
#include "qorldap9.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    text = text.c_str();  // stop at the first NUL, as callers' strings do
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setmbFlags(&r, data[0]);
    size_t cut = text.size() / 2;
    LDC_setBaseDNEx(&r, text.substr(cut).c_str());
    LDC_setHostNamesEx(&r, text.substr(0, cut).c_str());

    char dn[256];
    qor::form_user_dn(&r, text.substr(0, cut).c_str(), dn, sizeof dn);
    char domain[260];
    LDC_formDnsDomainEx(&r, domain, data[0]);
    LDC_getNumServersEx(&r);
    LDC_addServerEx(&r, text.substr(0, cut).c_str(), data[0] * 300);
    if (strnlen(r.HostNames, sizeof r.HostNames) >= sizeof r.HostNames) __builtin_trap();
    return 0;
}
