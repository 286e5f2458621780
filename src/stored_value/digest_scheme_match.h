// Checks of the digest schemes: "{SHA}", the salted ones and SHA-2.
#pragma once

#include "stored_value/scheme_info.h"

namespace qor {

// True when candidate matches text, the part of a stored value after the
// tag of info's scheme; false otherwise, malformed text included.
bool digest_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text);

}  // namespace qor
