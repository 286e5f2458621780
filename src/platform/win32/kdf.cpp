// Windows: no Argon2 in the system, and PBKDF2 is not wired up; values of
// these forms never match here.
#include "platform/kdf.h"

namespace qor::platform {

bool pbkdf2_hmac(uint32_t, const char *, size_t, const unsigned char *, size_t, uint32_t, unsigned char *, size_t) {
    return false;
}

bool argon2_matches(const char *, const char *, size_t) { return false; }

}  // namespace qor::platform
