// Where the profiles of each location code live in the registry.
#pragma once

#include <cstdint>
#include <string>

#include "qorldap9.h"

namespace qor {

// Profile key paths are built in a 1024-byte buffer.
constexpr size_t kProfilePathSize = 1024;

// Root and key path of the profile named name at a location code (0 to
// 3). False for another code, an empty name, or a path that does not fit.
bool profile_key(int32_t location, const char *name, LDC_HKEY &root, std::string &path);

// Root and base key of a location whose profiles are listed together and
// which carries the fallback flag (codes 0 to 2). False for another code.
bool location_base_key(int32_t location, LDC_HKEY &root, const char *&path);

}  // namespace qor
