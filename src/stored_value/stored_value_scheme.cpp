// The table of stored password forms: each tag, what its value is made
// of, and the routine that checks a candidate against it.
#include "stored_value/stored_value_scheme.h"

#include "stored_value/digest_scheme_match.h"
#include "stored_value/kdf_scheme_match.h"
#include "platform/crypto.h"
#include "ravuve9.h"
#include "util/text.h"

namespace qor {
namespace {

bool cipher_library_matches(const SchemeInfo &, const char *candidate, const char *text) {
    return passwd_verify(candidate, text) == 1;
}

#define QOR_PREFIX(text) text, sizeof(text) - 1

constexpr SchemeInfo kSchemes[] = {
    {kSchemeCrypt, QOR_PREFIX("{crypt}"), 0, 0, 0, false, cipher_library_matches},
    {kSchemeMd5, QOR_PREFIX("{MD5}"), 0, 0, 0, false, cipher_library_matches},
    {kSchemeSha, QOR_PREFIX("{SHA}"), platform::kCalgSha1, platform::kProvRsaFull, 20, false, digest_scheme_matches},
    {kSchemeSaltedSha, QOR_PREFIX("{SSHA}"), platform::kCalgSha1, platform::kProvRsaFull, 20, true,
     digest_scheme_matches},
    {kSchemeSaltedMd5, QOR_PREFIX("{SMD5}"), platform::kCalgMd5, platform::kProvRsaFull, 16, true,
     digest_scheme_matches},
    {kSchemeSha256, QOR_PREFIX("{SHA256}"), platform::kCalgSha256, platform::kProvRsaAes, 32, false,
     digest_scheme_matches},
    {kSchemeSaltedSha256, QOR_PREFIX("{SSHA256}"), platform::kCalgSha256, platform::kProvRsaAes, 32, true,
     digest_scheme_matches},
    {kSchemeSha384, QOR_PREFIX("{SHA384}"), platform::kCalgSha384, platform::kProvRsaAes, 48, false,
     digest_scheme_matches},
    {kSchemeSaltedSha384, QOR_PREFIX("{SSHA384}"), platform::kCalgSha384, platform::kProvRsaAes, 48, true,
     digest_scheme_matches},
    {kSchemeSha512, QOR_PREFIX("{SHA512}"), platform::kCalgSha512, platform::kProvRsaAes, 64, false,
     digest_scheme_matches},
    {kSchemeSaltedSha512, QOR_PREFIX("{SSHA512}"), platform::kCalgSha512, platform::kProvRsaAes, 64, true,
     digest_scheme_matches},
    {kSchemeArgon2, QOR_PREFIX("{ARGON2}"), 0, 0, 0, false, argon2_scheme_matches},
    {kSchemePbkdf2, QOR_PREFIX("{PBKDF2}"), platform::kCalgSha1, 0, 20, true, pbkdf2_scheme_matches},
    {kSchemePbkdf2Sha1, QOR_PREFIX("{PBKDF2-SHA1}"), platform::kCalgSha1, 0, 20, true, pbkdf2_scheme_matches},
    {kSchemePbkdf2Sha256, QOR_PREFIX("{PBKDF2-SHA256}"), platform::kCalgSha256, 0, 32, true, pbkdf2_scheme_matches},
    {kSchemePbkdf2Sha512, QOR_PREFIX("{PBKDF2-SHA512}"), platform::kCalgSha512, 0, 64, true, pbkdf2_scheme_matches},
};

#undef QOR_PREFIX

bool is_tag_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// "{", at least one letter, digit or "-", and "}".
bool has_tag(const char *stored) {
    if (stored[0] != '{' || !is_tag_char(stored[1])) return false;
    const char *p = stored + 2;
    while (is_tag_char(*p)) ++p;
    return *p == '}';
}

}  // namespace

PasswdScheme passwd_scheme(const char *stored) {
    if (stored == nullptr) return kSchemeNone;
    // Every tag ends with "}", so no tag is the beginning of another.
    for (const SchemeInfo &info : kSchemes)
        if (starts_with_ignore_case(stored, info.prefix)) return info.scheme;
    return has_tag(stored) ? kSchemeUnknownTag : kSchemeClearText;
}

const SchemeInfo *scheme_info(PasswdScheme scheme) {
    for (const SchemeInfo &info : kSchemes)
        if (info.scheme == scheme) return &info;
    return nullptr;
}

}  // namespace qor
