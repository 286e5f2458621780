// The scheme test: tags matched without regard to case, never past the
// end of a short value.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "stored_value/stored_value_scheme.h"

namespace {

using namespace qor;

TEST(PasswdScheme, KnownTagsInAnyCase) {
    struct Case {
        const char *stored;
        PasswdScheme scheme;
    };
    const Case cases[] = {
        {"{crypt}$1$a$b", kSchemeCrypt},
        {"{CRYPT}x", kSchemeCrypt},
        {"{cRyPt}", kSchemeCrypt},
        {"{MD5}abc", kSchemeMd5},
        {"{md5}", kSchemeMd5},
        {"{SHA}abc", kSchemeSha},
        {"{sha}abc", kSchemeSha},
        {"{SSHA}abc", kSchemeSaltedSha},
        {"{smd5}abc", kSchemeSaltedMd5},
        {"{SHA256}x", kSchemeSha256},
        {"{ssha256}x", kSchemeSaltedSha256},
        {"{SHA384}x", kSchemeSha384},
        {"{SSHA384}x", kSchemeSaltedSha384},
        {"{Sha512}x", kSchemeSha512},
        {"{SSHA512}", kSchemeSaltedSha512},
        {"{argon2}$", kSchemeArgon2},
        {"{PBKDF2}1", kSchemePbkdf2},
        {"{pbkdf2-sha512}1", kSchemePbkdf2Sha512},
    };
    for (const Case &c : cases) EXPECT_EQ(passwd_scheme(c.stored), c.scheme) << c.stored;
}

TEST(PasswdScheme, UntaggedIsClearTextAndOtherTagsUnknown) {
    for (const char *stored : {"", "secret", "{", "{MD5", "{SH", "{crypt", "{}", "{SHA 1}x", " {SHA}x", "SHA}x"})
        EXPECT_EQ(passwd_scheme(stored), kSchemeClearText) << stored;
    for (const char *stored : {"{SHA1}x", "{SHA-256}x", "{MD4}x", "{PBKDF2-SHA384}x"})
        EXPECT_EQ(passwd_scheme(stored), kSchemeUnknownTag) << stored;
    EXPECT_EQ(passwd_scheme(nullptr), kSchemeNone);
}

TEST(PasswdScheme, ShortValuesAreReadOnlyToTheirEnd) {
    // Each value alone in an allocation of its exact size, so that a read
    // past the terminator shows under the address sanitizer.
    for (const char *text : {"{", "{M", "{MD", "{MD5", "{c", "{cryp", "{S", "{SSHA51"}) {
        size_t n = strlen(text) + 1;
        std::unique_ptr<char[]> exact(new char[n]);
        memcpy(exact.get(), text, n);
        EXPECT_EQ(passwd_scheme(exact.get()), kSchemeClearText) << text;
    }
}

}  // namespace
