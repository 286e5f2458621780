// The scheme tag at the head of a stored password value.
#pragma once

#include "stored_value/scheme_info.h"

namespace qor {

// The scheme of stored, its tag matched without regard to letter case. A
// value that begins with "{", letters, digits or "-", and "}" carries a
// tag: when the tag is none of the table's, it is kSchemeUnknownTag.
PasswdScheme passwd_scheme(const char *stored);

// The description of a verified scheme; null for clear text, none and
// unknown tags.
const SchemeInfo *scheme_info(PasswdScheme scheme);

}  // namespace qor
