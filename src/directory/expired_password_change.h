// The change for a user whose old password Active Directory took but whose
// bind it refuses until the password is changed (expired, or to be
// changed at the next logon): the user cannot bind, so the change goes
// another way. First through the profile's bind user: on its session, the
// same single modify of the user's entry that the user would send (the
// directory grants everyone the right to change a password they know).
// Then, where the profile has no bind user or it may not make the change,
// by the Kerberos password change to the profile's hosts (POSIX only).
#pragma once

#include "directory/directory_result.h"
#include "qorldap9.h"

namespace qor {

// Returns true when check, the result of the old password's check on an
// Active Directory profile, is a bind refused so.
bool bind_refused_until_changed(const LDAP_Config *record, const DirectoryResult &check);

// Changes user's password (name: the bind name formed for it) from
// old_password to new_password by those ways. Returns 0, LDC_E_OLD_PASSWORD
// (the directory or the KDC refused the old password, or no way is open)
// or LDC_E_CHANGE_FAILED; result becomes the last step of the way taken
// (left as it was when no way is open).
int change_expired_password(LDAP_Config *record, const char *user, const char *name, const char *old_password,
                            const char *new_password, DirectoryResult &result);

}  // namespace qor
