// What each platform supplies to src/platform/version.cpp: the query of
// the running system.
#pragma once

#include "platform/version.h"

namespace qor::platform {

// Fills the fields of info, which arrives zeroed with its size set.
bool os_version(OSVERSIONINFOA *info);

}  // namespace qor::platform
