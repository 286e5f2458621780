// passwd_verify with values fixed in the source, so that one set of cases
// runs through libxcrypt and OpenSSL on Linux and through CryptoAPI in
// ravuve9.dll under Wine. Each value was made once on Linux with
// libxcrypt (Python's crypt.crypt) or OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "ravuve9.h"

namespace {

TEST(CipherLibraryVectors, Md5CryptValues) {
    EXPECT_EQ(passwd_verify("secret", "$1$saltsalt$9xy1btjgzLYfb7hivXtC//"), 1);
    EXPECT_EQ(passwd_verify("Secret", "$1$saltsalt$9xy1btjgzLYfb7hivXtC//"), 0);
    // an empty password, and one longer than a digest
    EXPECT_EQ(passwd_verify("", "$1$abc$Or2rbeUYTvt12aiVzMuS/."), 1);
    EXPECT_EQ(passwd_verify(std::string(40, 'a').c_str(), "$1$12345678$beiWYJUUHF.ZVo9A4ag9w0"), 1);
    EXPECT_EQ(passwd_verify(std::string(39, 'a').c_str(), "$1$12345678$beiWYJUUHF.ZVo9A4ag9w0"), 0);
}

TEST(CipherLibraryVectors, Sha256CryptValues) {
    EXPECT_EQ(passwd_verify("secret", "$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi."), 1);
    EXPECT_EQ(passwd_verify("secreT", "$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi."), 0);
    // rounds given, and a salt cut to its 16 characters
    EXPECT_EQ(
        passwd_verify("Hello world!", "$5$rounds=10000$saltstringsaltst$3xv.VbSHBb41AL9AvLeujZkZRBAwqFMz2.opqey6IcA"),
        1);
    // a key longer than two digests
    EXPECT_EQ(
        passwd_verify(std::string(70, 'x').c_str(), "$5$rounds=1000$short$LSHH5xqWqHrLfDghEVeUVPr9vIEQNOvBwUSD5Z85cB2"),
        1);
    // made once with: openssl passwd -5 -salt saltsalt hello
    EXPECT_EQ(passwd_verify("hello", "$5$saltsalt$kfE3pS1dKPPHrilLCLWxLECEVLX8Au49cWIQg7GMQ05"), 1);
}

TEST(CipherLibraryVectors, Sha512CryptValues) {
    const char *plain =
        "$6$saltstring$AIsRs/Ee56G/tC8MEHhvReZTfx8u3rXXMl6eYrjCG9ibix19DxoMBLogdTET5Ukw9Sf7eZTITsuk0Ry5qulYz.";
    EXPECT_EQ(passwd_verify("secret", plain), 1);
    EXPECT_EQ(passwd_verify("secre", plain), 0);
    EXPECT_EQ(passwd_verify("Hello world!",
                            "$6$rounds=1500$saltstringsaltst$vmOcZML2A6GkXtOdRl2GBB1V/V581GFnTVokhooBudw/"
                            "DSyONzb7ZT5IJaBTCKguQzurjQUAaI8Gcay8suPnD/"),
              1);
    EXPECT_EQ(passwd_verify(std::string(130, 'y').c_str(),
                            "$6$rounds=1000$abcdefgh$i2K9odcDxVA4j.X/jiByDXmNAOjSFxyQ/UVujLVhCChW7nkylzwTttenba2g."
                            "p6EzVnCBAlcok0N4Sm0/FT5h."),
              1);
}

TEST(CipherLibraryVectors, AlteredValuesMatchNothing) {
    // one character of the hash changed, the hash cut short, a trailing byte
    EXPECT_EQ(passwd_verify("secret", "$1$saltsalt$9xy1btjgzLYfb7hivXtC/."), 0);
    EXPECT_EQ(passwd_verify("secret", "$1$saltsalt$9xy1btjgzLYfb7hivXtC/"), 0);
    EXPECT_EQ(passwd_verify("secret", "$5$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi.x"), 0);
    // a malformed rounds field
    EXPECT_EQ(passwd_verify("secret", "$5$rounds=$saltstring$C3o4O1TC6aRHF4FI.QSZMXtHbaj2gSXr4sUc/3NcUi."), 0);
}

TEST(CipherLibraryVectors, Md5TextValues) {
    // made once with: printf secret | openssl dgst -md5 -binary | base64
    EXPECT_EQ(passwd_verify("secret", "Xr4ilOzQ4PCOq3aQ0qbuaQ=="), 1);
    EXPECT_EQ(passwd_verify("secreT", "Xr4ilOzQ4PCOq3aQ0qbuaQ=="), 0);
    // RFC 1321: MD5("abc") and MD5("")
    EXPECT_EQ(passwd_verify("abc", "kAFQmDzST7DWlj99KOF/cg=="), 1);
    EXPECT_EQ(passwd_verify("", "1B2M2Y8AsgTpgAmY7PhCfg=="), 1);
    EXPECT_EQ(passwd_verify(nullptr, "1B2M2Y8AsgTpgAmY7PhCfg=="), 0);
}

}  // namespace
