#include "directory/session_open.h"

#include <string>

#include "config/text.h"
#include "directory/last_outcome.h"

namespace qor {

LDAP *open_password_session(LDAP_Config *r) {
    // Only Ssl == 1 selects SSL here, unlike ldapInitEx, which takes any
    // nonzero value: profiles rely on the difference.
    std::string hosts = field_text(r->HostNames);
    LDAP *ld = LDC_isSslEx(r) ? platform::ldap_sslinit(hosts.c_str(), r->Port, 1)
                              : platform::ldap_init(hosts.c_str(), r->Port);
    if (ld == nullptr)
        outcome_note(LDC_STEP_CONNECT, platform::last_error(), nullptr);
    else
        platform::set_option(ld, platform::kOptProtocolVersion, &r->Version);
    return ld;
}

}  // namespace qor
