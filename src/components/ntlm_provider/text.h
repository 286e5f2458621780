// The text forms the mechanism needs: UTF-8 checked strictly, upper-cased
// domains, UTF-16LE for the NT hash.
#pragma once

#include <string>
#include <string_view>

namespace qorsspi {

// True when text is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool is_utf8(std::string_view text);
bool is_ascii(std::string_view text);
// Upper-case of well-formed UTF-8 text under the UTF-8 character rules.
std::string utf8_upper(std::string_view text);
// UTF-16LE bytes of well-formed UTF-8 text.
std::string utf8_to_utf16le(std::string_view text);

}  // namespace qorsspi
