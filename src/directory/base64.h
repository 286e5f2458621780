// Base64 text of the standard alphabet with "=" padding and no line breaks.
#pragma once

#include <cstddef>

namespace qor {

// Writes the text of length source bytes and a terminator into dst of
// dst_size bytes. Returns the number of characters written without the
// terminator, or -1 when dst is too small; after -1, dst may hold a
// partial, unterminated text.
int base64_encode(const unsigned char *src, size_t length, char *dst, size_t dst_size);

// Decodes length characters of text into dst. Only padded text of whole
// four-character groups is taken. Returns the number of bytes written, or
// -1 when the text is not such Base64 or dst is too small.
long base64_decode(const char *text, size_t length, unsigned char *dst, size_t dst_size);

}  // namespace qor
