// The entry behind an Active Directory logon name: a modify request needs
// the DN, which the DC does not tell at the bind.
#pragma once

#include <string>

#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

// On a session bound as the user, the DN of the user entry under BaseDN
// whose userPrincipalName is the logon name (or, failing that, whose
// sAMAccountName is its user part); for DOMAIN\user, the entry whose
// sAMAccountName is user. Empty when none is found.
std::string logon_entry_dn(LDAP *ld, const LDAP_Config *record, const char *logon_name);

}  // namespace qor
