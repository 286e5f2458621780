// Password hashes that are more than a digest: PBKDF2 and Argon2, for the
// stored forms that carry them. One backend per platform; a platform
// without them answers false, so such values never match there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor::platform {

// PBKDF2 with HMAC over the digest algorithm (kCalgSha1, kCalgSha256 or
// kCalgSha512 of platform/crypto.h): out_length bytes into out. False when
// the algorithm is another or the platform cannot compute it.
bool pbkdf2_hmac(uint32_t algorithm, const char *password, size_t password_length, const unsigned char *salt,
                 size_t salt_length, uint32_t iterations, unsigned char *out, size_t out_length);

// True when encoded, an Argon2 hash in its text form
// ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"), is that of password.
bool argon2_matches(const char *encoded, const char *password, size_t password_length);

}  // namespace qor::platform
