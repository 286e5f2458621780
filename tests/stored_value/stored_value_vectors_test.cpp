// Stored values with their verdicts fixed in the source, so that one set of
// cases runs through the library on Linux and through qorldap9.dll under
// Wine: "{SHA}" through the platform's digests, "{crypt}" and "{MD5}"
// through the cipher library, clear text.
#include <gtest/gtest.h>

#include "qorldap9.h"

namespace {

TEST(StoredValueVectors, ShaThroughThePlatformDigests) {
    // made once with: printf secret | openssl dgst -sha1 -binary | base64
    EXPECT_EQ(ldap_passwd_verify("{SHA}5en6G6MezRroT3XKqkdPOmY/BfQ=", "secret"), 1);
    EXPECT_EQ(ldap_passwd_verify("{sha}5en6G6MezRroT3XKqkdPOmY/BfQ=", "secret"), 1);
    EXPECT_EQ(ldap_passwd_verify("{SHA}5en6G6MezRroT3XKqkdPOmY/BfQ=", "Secret"), 0);
    // FIPS 180: SHA-1("abc") = a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d
    EXPECT_EQ(ldap_passwd_verify("{SHA}qZk+NkcGgWq6PiVxeFDCbJzQ2J0=", "abc"), 1);
    EXPECT_EQ(ldap_passwd_verify("{SHA}2jmj7l5rSw0yVb/vlWAYkK/YBwk=", ""), 1);
}

TEST(StoredValueVectors, CryptAndMd5ThroughTheCipherLibrary) {
    EXPECT_EQ(ldap_passwd_verify("{crypt}$6$saltstring$AIsRs/Ee56G/"
                                 "tC8MEHhvReZTfx8u3rXXMl6eYrjCG9ibix19DxoMBLogdTET5Ukw9Sf7eZTITsuk0Ry5qulYz.",
                                 "secret"),
              1);
    EXPECT_EQ(ldap_passwd_verify("{CRYPT}$1$saltsalt$9xy1btjgzLYfb7hivXtC//", "secret"), 1);
    EXPECT_EQ(ldap_passwd_verify("{crypt}$1$saltsalt$9xy1btjgzLYfb7hivXtC//", "secreT"), 0);
    EXPECT_EQ(ldap_passwd_verify("{MD5}Xr4ilOzQ4PCOq3aQ0qbuaQ==", "secret"), 1);
    EXPECT_EQ(ldap_passwd_verify("{MD5}Xr4ilOzQ4PCOq3aQ0qbuaQ==", "other"), 0);
}

TEST(StoredValueVectors, ClearTextAndTags) {
    EXPECT_EQ(ldap_passwd_verify("Clear456", "Clear456"), 1);
    EXPECT_EQ(ldap_passwd_verify("Clear456", "clear456"), 0);
    EXPECT_EQ(ldap_passwd_verify(nullptr, "x"), 0);
    EXPECT_EQ(ldapPasswdSource("{SHA}abc"), 0);
    EXPECT_EQ(ldapPasswdSource("plain"), 1);
    EXPECT_EQ(ldapPasswdSource(""), 1);
}

}  // namespace
