#include "directory/session_open.h"

namespace qor {

LDAP *open_password_session(LDAP_Config *r) {
    // Only Ssl == 1 selects SSL here, unlike ldapInitEx, which takes any
    // nonzero value: profiles rely on the difference.
    LDAP *ld = LDC_isSslEx(r) ? platform::ldap_sslinit(r->HostNames, r->Port, 1)
                              : platform::ldap_init(r->HostNames, r->Port);
    if (ld != nullptr) platform::set_option(ld, platform::kOptProtocolVersion, &r->Version);
    return ld;
}

}  // namespace qor
