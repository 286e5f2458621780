// What a new record holds where the caller or the store says nothing.
#pragma once

#include <cstdint>

#include "qorldap9.h"

namespace qor {

constexpr int32_t kDefaultVersion = 3;  // LDAP version 3
constexpr int32_t kDefaultMBFlags = LDC_MB_DEFAULT;

}  // namespace qor
