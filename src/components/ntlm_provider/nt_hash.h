// The NT hash of a password: MD4 of its UTF-16LE form.
#pragma once

#include <string>
#include <string_view>

namespace qorsspi {

// 32 upper-case hex digits, or "" when MD4 is unavailable. password must
// be well-formed UTF-8.
std::string nt_hash_hex(std::string_view password);

}  // namespace qorsspi
