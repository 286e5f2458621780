#include "winbind_domain.h"

#include <strings.h>

// The header declares C functions without saying so.
extern "C" {
#include <wbclient.h>
}

#include <cstring>

namespace qorsspi {
namespace {

bool names(const std::string &domain, const char *short_name, const char *dns_name) {
    if (short_name == nullptr || *short_name == '\0') return false;
    if (strcasecmp(domain.c_str(), short_name) == 0) return true;
    if (dns_name == nullptr) return false;
    if (strcasecmp(domain.c_str(), dns_name) == 0) return true;
    return strncasecmp(dns_name, domain.c_str(), domain.size()) == 0 && dns_name[domain.size()] == '.';
}

}  // namespace

std::string winbind_domain(const std::string &domain) {
    if (domain.empty()) return domain;
    std::string found;
    struct wbcInterfaceDetails *own = nullptr;
    if (wbcInterfaceDetails(&own) == WBC_ERR_SUCCESS && own != nullptr &&
        names(domain, own->netbios_domain, own->dns_domain))
        found = own->netbios_domain;
    wbcFreeMemory(own);
    if (!found.empty()) return found;

    struct wbcDomainInfo *trusts = nullptr;
    size_t count = 0;
    if (wbcListTrusts(&trusts, &count) == WBC_ERR_SUCCESS) {
        for (size_t i = 0; i < count && found.empty(); ++i)
            if (names(domain, trusts[i].short_name, trusts[i].dns_name)) found = trusts[i].short_name;
    }
    wbcFreeMemory(trusts);
    return found.empty() ? domain : found;
}

}  // namespace qorsspi
