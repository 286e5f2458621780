#include "domain_match.h"

#include <strings.h>

namespace qorsspi {

std::string match_domain(const std::string &domain, const std::vector<KnownDomain> &known) {
    std::string found;
    for (const KnownDomain &candidate : known) {
        if (candidate.netbios.empty()) continue;
        if (strcasecmp(domain.c_str(), candidate.netbios.c_str()) != 0 &&
            strcasecmp(domain.c_str(), candidate.dns.c_str()) != 0)
            continue;
        if (!found.empty() && strcasecmp(found.c_str(), candidate.netbios.c_str()) != 0) return "";
        found = candidate.netbios;
    }
    return found;
}

}  // namespace qorsspi
