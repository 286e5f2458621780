// The scheme of a value: clear text without a whole tag, an unknown tag
// when the tag is none of the table's, and never a read past the end of a
// short value. The known tags are checked by the answers they give, in
// stored_value_vectors_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "stored_value/stored_value_scheme.h"

namespace {

using namespace qor;

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
