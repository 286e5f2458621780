// The scheme tag at the head of a stored password value.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor {

// Numbers 0 to 4 are those the library has always answered; the digest
// schemes from 5 on were compared as clear text before.
enum PasswdScheme : int {
    kSchemeClearText = 0,  // no known tag: clear text, or another brace form
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
};

// What a tagged scheme is made of. algorithm and provider_type are zero
// for the schemes the cipher library checks.
struct SchemeInfo {
    PasswdScheme scheme;
    const char *prefix;
    size_t prefix_length;
    uint32_t algorithm;
    uint32_t provider_type;
    size_t digest_length;
    bool salted;  // Base64 of the digest followed by the salt
};

// The scheme of stored, its tag matched without regard to letter case.
PasswdScheme passwd_scheme(const char *stored);

// The description of a tagged scheme; null for clear text and none.
const SchemeInfo *scheme_info(PasswdScheme scheme);

}  // namespace qor
