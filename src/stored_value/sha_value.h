// The "{SHA}" form of a password: the tag and the Base64 text of the
// SHA-1 digest.
#pragma once

#include <cstddef>

namespace qor {

// Room the SHA value takes: "{SHA}", 28 characters and a terminator.
constexpr size_t kShaValueSize = 34;

// Writes the "{SHA}" value of length data bytes to output of output_size
// bytes (at least kShaValueSize). Returns true on success, false on any
// failure.
bool sha_value(const unsigned char *data, size_t length, char *output, size_t output_size);

}  // namespace qor
