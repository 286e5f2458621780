// The password check as a step of the directory layer: what
// ldap_verifyPasswdEx does, and what a change does first with the old
// password, without touching the outcome record.
#pragma once

#include "directory/directory_result.h"
#include "qorldap9.h"

namespace qor {

// Returns the result of checking password for user: a simple bind as the
// user on the first host that answers (on a kept session where there is
// one), or the NTLM logon check for an Active Directory profile with
// integrated bind. An empty result when the check was refused before any
// contact (an empty password or user, a name that forms no DN); one
// marked no_session when no session could be opened. The password
// verified when the result is ok().
DirectoryResult verify_password(LDAP_Config *record, const char *user, const char *password);

}  // namespace qor
