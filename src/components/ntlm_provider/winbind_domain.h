// The logon domain as winbind knows it. Winbind names a domain by its
// NetBIOS name (CORP) or its full DNS name (ad.example.test).
#pragma once

#include <string>

namespace qorsspi {

// The NetBIOS name of the one domain winbind knows (its own or a trusted
// one) that domain names exactly (match_domain); empty when it names none
// of them, or several, or winbind cannot be asked. An empty domain stays
// empty.
std::string winbind_domain(const std::string &domain);

}  // namespace qorsspi
