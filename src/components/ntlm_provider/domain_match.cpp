#include "domain_match.h"

#include "util/text.h"

namespace qorsspi {

std::string match_domain(const std::string &domain, const std::vector<KnownDomain> &known) {
    std::string found;
    for (const KnownDomain &candidate : known) {
        if (candidate.netbios.empty()) continue;
        if (!qor::equals_ignore_case(domain, candidate.netbios) && !qor::equals_ignore_case(domain, candidate.dns))
            continue;
        if (!found.empty() && !qor::equals_ignore_case(found, candidate.netbios)) return "";
        found = candidate.netbios;
    }
    return found;
}

}  // namespace qorsspi
