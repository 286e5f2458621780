// Which domain a logon names, among the domains the server side knows.
#pragma once

#include <string>
#include <vector>

namespace qorsspi {

// A domain by its two names: NetBIOS (PARTNER) and DNS (ad.partner.com).
struct KnownDomain {
    std::string netbios;
    std::string dns;
};

// The NetBIOS name of the one domain among known that domain names
// exactly, by its NetBIOS name or its full DNS name, letter case aside.
// Empty when none does, or more than one domain does: a logon goes to the
// domain its caller named or nowhere. Entries with one NetBIOS name count
// as one domain.
std::string match_domain(const std::string &domain, const std::vector<KnownDomain> &known);

}  // namespace qorsspi
