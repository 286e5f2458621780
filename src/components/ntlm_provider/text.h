// The text forms the mechanism needs beyond util/utf8.h: an ASCII check
// and upper-cased domains.
#pragma once

#include <string>
#include <string_view>

namespace qorsspi {

bool is_ascii(std::string_view text);
// Upper-case of well-formed UTF-8 text under the UTF-8 character rules.
std::string utf8_upper(std::string_view text);

}  // namespace qorsspi
