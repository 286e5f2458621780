// Checks of the key-derivation schemes: "{PBKDF2...}" and "{ARGON2}", in
// the text forms OpenLDAP's password modules write.
#pragma once

#include "stored_value/scheme_info.h"

namespace qor {

// "ITERATIONS$SALT$HASH", salt and hash in Base64 with "." for "+" and no
// padding; the hash as long as info's digest.
bool pbkdf2_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text);

// "$argon2id$v=19$m=KIB,t=PASSES,p=LANES$SALT$HASH" (or argon2i, argon2d).
bool argon2_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text);

}  // namespace qor
