// The logon domain as winbind knows it. Winbind names a domain by its
// NetBIOS name (CORP) or its full DNS name (ad.example.test), while a
// caller may give the first label of the DNS name (ad), which names
// neither.
#pragma once

#include <string>

namespace qorsspi {

// The NetBIOS name of the domain winbind knows (its own or a trusted one)
// whose NetBIOS name or DNS name is domain, or whose DNS name starts with
// domain and a dot; domain unchanged when winbind knows none such or
// cannot be asked. Letter case plays no part.
std::string winbind_domain(const std::string &domain);

}  // namespace qorsspi
