// Checks of the digest schemes: "{SHA}", the salted ones and SHA-2.
#pragma once

#include "directory/stored_value_scheme.h"

namespace qor {

// 1 when candidate matches text, the part of a stored value after the tag
// of info's scheme; 0 otherwise, malformed text included.
int digest_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text);

}  // namespace qor
