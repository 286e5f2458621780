#include "directory/stored_value_scheme.h"

#include "platform/crypto.h"

namespace qor {
namespace {

using namespace qor::platform;

#define QOR_PREFIX(text) text, sizeof(text) - 1

constexpr SchemeInfo kSchemes[] = {
    {kSchemeCrypt, QOR_PREFIX("{crypt}"), 0, 0, 0, false},
    {kSchemeMd5, QOR_PREFIX("{MD5}"), 0, 0, 0, false},
    {kSchemeSha, QOR_PREFIX("{SHA}"), kCalgSha1, kProvRsaFull, 20, false},
    {kSchemeSaltedSha, QOR_PREFIX("{SSHA}"), kCalgSha1, kProvRsaFull, 20, true},
    {kSchemeSaltedMd5, QOR_PREFIX("{SMD5}"), kCalgMd5, kProvRsaFull, 16, true},
    {kSchemeSha256, QOR_PREFIX("{SHA256}"), kCalgSha256, kProvRsaAes, 32, false},
    {kSchemeSaltedSha256, QOR_PREFIX("{SSHA256}"), kCalgSha256, kProvRsaAes, 32, true},
    {kSchemeSha384, QOR_PREFIX("{SHA384}"), kCalgSha384, kProvRsaAes, 48, false},
    {kSchemeSaltedSha384, QOR_PREFIX("{SSHA384}"), kCalgSha384, kProvRsaAes, 48, true},
    {kSchemeSha512, QOR_PREFIX("{SHA512}"), kCalgSha512, kProvRsaAes, 64, false},
    {kSchemeSaltedSha512, QOR_PREFIX("{SSHA512}"), kCalgSha512, kProvRsaAes, 64, true},
};

#undef QOR_PREFIX

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Stops at the first difference, so a value shorter than the prefix is
// never read past its terminator.
bool starts_with_ignore_case(const char *text, const char *prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (lower(*text) != lower(*prefix)) return false;
    return true;
}

}  // namespace

PasswdScheme passwd_scheme(const char *stored) {
    if (stored == nullptr) return kSchemeNone;
    // Every tag ends with "}", so no tag is the beginning of another.
    for (const SchemeInfo &info : kSchemes)
        if (starts_with_ignore_case(stored, info.prefix)) return info.scheme;
    return kSchemeClearText;
}

const SchemeInfo *scheme_info(PasswdScheme scheme) {
    for (const SchemeInfo &info : kSchemes)
        if (info.scheme == scheme) return &info;
    return nullptr;
}

}  // namespace qor
