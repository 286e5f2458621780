// Constant-time equality, the same on every platform.
#include "checks.h"

namespace ravuve9 {

bool same_bytes(const void *a, size_t a_length, const void *b, size_t b_length) {
    if (a_length != b_length) return false;
    // Every byte is looked at, whatever the first difference; volatile
    // keeps the compiler from stopping early.
    const volatile unsigned char *x = static_cast<const unsigned char *>(a);
    const volatile unsigned char *y = static_cast<const unsigned char *>(b);
    unsigned char difference = 0;
    for (size_t i = 0; i < a_length; ++i) difference |= x[i] ^ y[i];
    return difference == 0;
}

}  // namespace ravuve9
