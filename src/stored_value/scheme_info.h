// A row of the stored-value scheme table: the scheme numbers, what a
// tagged scheme is made of and the routine that checks it. The checkers
// read rows; the table holds them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor {

// Numbers 0 to 4 are those the library has always answered; the schemes
// from 5 on are further forms directories write.
enum PasswdScheme : int {
    kSchemeClearText = 0,  // no tag: clear text
    kSchemeCrypt = 1,      // "{crypt}", checked by the cipher library
    kSchemeMd5 = 2,        // "{MD5}", checked by the cipher library
    kSchemeSha = 3,        // "{SHA}"
    kSchemeNone = 4,       // null value: nothing to check
    kSchemeSaltedSha = 5,  // "{SSHA}"
    kSchemeSaltedMd5 = 6,  // "{SMD5}"
    kSchemeSha256 = 7,
    kSchemeSaltedSha256 = 8,
    kSchemeSha384 = 9,
    kSchemeSaltedSha384 = 10,
    kSchemeSha512 = 11,
    kSchemeSaltedSha512 = 12,
    kSchemeUnknownTag = 13,  // "{...}" of a scheme not verified here: never matches
    kSchemeArgon2 = 14,
    kSchemePbkdf2 = 15,  // "{PBKDF2}": HMAC-SHA-1
    kSchemePbkdf2Sha1 = 16,
    kSchemePbkdf2Sha256 = 17,
    kSchemePbkdf2Sha512 = 18,
};

struct SchemeInfo;

// True when candidate matches text, the part of a stored value after the
// tag of info's scheme; false otherwise, malformed text included.
using SchemeCheck = bool (*)(const SchemeInfo &info, const char *candidate, const char *text);

// What a tagged scheme is made of, and what checks it. algorithm and
// provider_type are zero for the schemes the cipher library checks and for
// Argon2, whose text names its own parameters.
struct SchemeInfo {
    PasswdScheme scheme;
    const char *prefix;
    size_t prefix_length;
    uint32_t algorithm;
    uint32_t provider_type;
    size_t digest_length;
    bool salted;  // Base64 of the digest followed by the salt
    SchemeCheck check;
};

}  // namespace qor
