// The password-policy response control as libldap hands it over, decoded
// into the platform's PasswordPolicy. POSIX only: the Windows client's
// simple bind carries no controls.
#pragma once

#include "platform/ldap_client.h"

namespace qor::platform {

// Fills policy from the password-policy response control among response
// (null-terminated, may be null); leaves it as it is when there is none or
// the control does not decode.
void read_policy(LDAP *ld, LDAPControl **response, PasswordPolicy *policy);

}  // namespace qor::platform
