// The cipher library on its own: passwd_verify with the text after a tag.
#include <gtest/gtest.h>

#include <string>

#include "ravuve9.h"
#include "tool_output.h"

namespace {

std::string after_tag(const std::string &value) { return value.substr(value.find('}') + 1); }

TEST(CipherLibrary, Md5TextIsTheBase64Digest) {
    std::string text = after_tag(slappasswd("{MD5}", "md5 only"));
    ASSERT_EQ(text.size(), 24u);
    EXPECT_EQ(passwd_verify("md5 only", text.c_str()), 1);
    EXPECT_EQ(passwd_verify("md5 Only", text.c_str()), 0);
}

TEST(CipherLibrary, CryptTextOfEveryAlgorithm) {
    const std::string hashes[] = {
        after_tag(slappasswd("{CRYPT}", "all of them", "%.2s")),
        openssl_passwd("-1", "all of them"),
        openssl_passwd("-5", "all of them"),
        openssl_passwd("-6", "all of them"),
        after_tag(slappasswd("{CRYPT}", "all of them", "$2b$04$%.22s")),
        after_tag(slappasswd("{CRYPT}", "all of them", "$y$j9T$%.16s")),
    };
    for (const std::string &hash : hashes) {
        EXPECT_EQ(passwd_verify("all of them", hash.c_str()), 1) << hash;
        // traditional DES looks at the first eight characters only
        EXPECT_EQ(passwd_verify("All of them", hash.c_str()), 0) << hash;
        EXPECT_EQ(passwd_verify("all of", hash.c_str()), 0) << hash;
        EXPECT_EQ(passwd_verify("", hash.c_str()), 0) << hash;
    }
}

}  // namespace
