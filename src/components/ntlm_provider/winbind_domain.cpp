#include "winbind_domain.h"

// The header declares C functions without saying so.
extern "C" {
#include <wbclient.h>
}

#include <vector>

#include "domain_match.h"

namespace qorsspi {

std::string winbind_domain(const std::string &domain) {
    if (domain.empty()) return domain;
    std::vector<KnownDomain> known;
    auto text = [](const char *name) { return std::string(name != nullptr ? name : ""); };
    struct wbcInterfaceDetails *own = nullptr;
    if (wbcInterfaceDetails(&own) == WBC_ERR_SUCCESS && own != nullptr)
        known.push_back({text(own->netbios_domain), text(own->dns_domain)});
    wbcFreeMemory(own);
    struct wbcDomainInfo *trusts = nullptr;
    size_t count = 0;
    if (wbcListTrusts(&trusts, &count) == WBC_ERR_SUCCESS)
        for (size_t i = 0; i < count; ++i) known.push_back({text(trusts[i].short_name), text(trusts[i].dns_name)});
    wbcFreeMemory(trusts);
    return match_domain(domain, known);
}

}  // namespace qorsspi
