// The two kinds of stored text the cipher library understands.
#pragma once

#include <cstddef>

namespace ravuve9 {

// True when text (length bytes) has the form of an MD5 digest in Base64:
// 22 alphabet characters followed by "==". crypt(3) hashes never hold "=",
// so the two kinds cannot be confused.
bool looks_like_md5_text(const char *text, size_t length);

// True when the Base64 MD5 digest of candidate equals text.
bool md5_matches(const char *candidate, const char *text, size_t length);

constexpr size_t kMd5DigestBytes = 16;

// The MD5 digest of length bytes at data, from the platform's library;
// false when the library fails.
bool md5_digest(const char *data, size_t length, unsigned char (&digest)[kMd5DigestBytes]);

// False when a crypt(3) setting asks for more work than a check may take:
// such a value never matches, and is never hashed.
bool crypt_cost_within_caps(const char *setting);

// True when crypt(3) of candidate with text as its setting gives text back.
bool crypt_matches(const char *candidate, const char *text, size_t length);

}  // namespace ravuve9
