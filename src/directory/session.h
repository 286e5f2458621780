// Opening and binding sessions from a profile, for the library's own
// directory operations.
#pragma once

#include <string>

#include "config/text.h"
#include "qorldap9.h"

namespace qor {

// The bind DN buffer's size: a DN that does not fit is refused, never cut
// into another DN.
constexpr size_t kBindDnSize = 256;

// A profile's string field as text that ends inside the field, whatever
// the record holds.
template <size_t N>
std::string field_text(const char (&field)[N]) {
    return std::string(field_view(field));
}

}  // namespace qor
