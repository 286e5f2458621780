// Comparisons whose time does not tell where two secrets first differ.
#pragma once

#include <cstddef>

namespace qor {

// True when both ranges hold the same bytes. Every byte is looked at
// whatever the contents; only the lengths shape the time taken.
inline bool equal_constant_time(const void *a, size_t a_length, const void *b, size_t b_length) {
    if (a_length != b_length) return false;
    const volatile unsigned char *x = static_cast<const unsigned char *>(a);
    const volatile unsigned char *y = static_cast<const unsigned char *>(b);
    unsigned char difference = 0;
    for (size_t i = 0; i < a_length; ++i) difference = static_cast<unsigned char>(difference | (x[i] ^ y[i]));
    return difference == 0;
}

}  // namespace qor
