// The value of an Active Directory "unicodePwd" attribute: the password
// between double quotes, in UTF-16LE, without a terminator.
#pragma once

#include "directory/directory_session.h"
#include "util/secret.h"

namespace qor {

// Text is the platform's multibyte encoding (UTF-8 here). Text that is not
// valid UTF-8 is widened byte by byte, each byte one 16-bit unit, which
// for ASCII gives the same bytes as UTF-8 decoding. The value is wiped
// when it goes.
Secret unicode_pwd_value(const char *password);

// Active Directory's password change of the entry dn: one modify that
// deletes the old value and adds the new one, so that the directory
// checks the old password itself. Returns the modify step's result.
DirectoryResult modify_unicode_pwd(HostSession &session, const char *dn, const char *old_password,
                                   const char *new_password);

}  // namespace qor
