// The NT hash of a password: MD4 of its UTF-16LE form.
#pragma once

#include <string_view>

#include "util/secret.h"

namespace qorsspi {

// 32 upper-case hex digits, or "" when MD4 is unavailable. password must
// be well-formed UTF-8.
qor::Secret nt_hash_hex(std::string_view password);

}  // namespace qorsspi
