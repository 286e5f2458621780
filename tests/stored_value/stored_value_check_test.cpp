// ldap_passwd_verify and ldapPasswdSource through the shared library, with
// stored values made by slappasswd, openssl and Python's hashlib.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "qorldap9.h"
#include "stored_value_vectors.h"
#include "tool_output.h"

namespace {

int verify(const std::string &stored, const std::string &candidate) {
    return ldap_passwd_verify(stored.c_str(), candidate.c_str());
}

// The right password matches, a wrong one and a near miss do not.
void expect_only(const std::string &stored, const std::string &password) {
    EXPECT_EQ(verify(stored, password), 1) << stored;
    EXPECT_EQ(verify(stored, password + "x"), 0) << stored;
    EXPECT_EQ(verify(stored, "wrong"), 0) << stored;
    EXPECT_EQ(verify(stored, ""), 0) << stored;
}

// The value with the Base64 character at position at (from the end when
// negative) replaced by one whose highest bit differs, so that the bytes
// it encodes change even next to the padding.
std::string change_char(std::string value, int at) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t i = at < 0 ? value.size() + at : static_cast<size_t>(at);
    size_t v = alphabet.find(value[i]);
    if (v == std::string::npos) {
        ADD_FAILURE() << "not a Base64 character at " << i << " of " << value;
        return value;
    }
    value[i] = alphabet[v ^ 0x20];
    return value;
}

// The forms OpenLDAP's argon2 and pw-pbkdf2 modules write.
TEST(PasswdKeyDerivation, SlappasswdArgon2AndPbkdf2Values) {
    const std::string tool = "/usr/sbin/slappasswd -n -s 'kdf Pass' ";
    std::string argon2 = tool_output(tool + "-o module-load=argon2 -h '{ARGON2}'");
    ASSERT_EQ(argon2.rfind("{ARGON2}$argon2", 0), 0u) << argon2;
    expect_only(argon2, "kdf Pass");
    expect_only(swap_tag_case(argon2), "kdf Pass");
    for (const char *scheme : {"{PBKDF2}", "{PBKDF2-SHA1}", "{PBKDF2-SHA256}", "{PBKDF2-SHA512}"}) {
        std::string stored = tool_output(tool + "-o module-load=pw-pbkdf2 -h '" + scheme + "'");
        ASSERT_EQ(stored.rfind(scheme, 0), 0u) << stored;
        expect_only(stored, "kdf Pass");
        expect_only(swap_tag_case(stored), "kdf Pass");
        EXPECT_EQ(verify(stored.substr(0, stored.size() - 1), "kdf Pass"), 0) << stored;
    }
}

TEST(PasswdSha, SlappasswdValues) {
    std::string stored = slappasswd("{SHA}", "s3cr3t pass");
    ASSERT_EQ(stored.rfind("{SHA}", 0), 0u);
    expect_only(stored, "s3cr3t pass");
    EXPECT_EQ(verify(change_char(stored, 5), "s3cr3t pass"), 0);
    EXPECT_EQ(verify(change_char(stored, -2), "s3cr3t pass"), 0);
    EXPECT_EQ(verify(stored.substr(0, stored.size() - 1), "s3cr3t pass"), 0);
    EXPECT_EQ(verify(stored + "=", "s3cr3t pass"), 0);
}

TEST(PasswdSha, TagCaseDoesNotMatter) {
    std::string stored = slappasswd("{SHA}", "Pa55");
    EXPECT_EQ(verify(swap_tag_case(stored), "Pa55"), 1);
    EXPECT_EQ(verify("{ShA}" + stored.substr(5), "Pa55"), 1);
    EXPECT_EQ(verify(swap_tag_case(stored), "pa55"), 0);
}

TEST(PasswdMd5, SlappasswdValues) {
    std::string stored = slappasswd("{MD5}", "md5 pass");
    expect_only(stored, "md5 pass");
    expect_only(swap_tag_case(stored), "md5 pass");
    EXPECT_EQ(verify(change_char(stored, 5), "md5 pass"), 0);
}

TEST(PasswdMd5, ShortAndMalformedValuesAnswerNo) {
    for (const char *stored : {"{MD5}", "{MD5}=", "{md5}ab", "{MD5}!!!!!!!!!!!!!!!!!!!!!!==",
                               "{MD5}Xr4ilOzQ4PCOq3aQ0qbuaQ", "{MD5}Xr4ilOzQ4PCOq3aQ0qbuaQ==="}) {
        EXPECT_EQ(ldap_passwd_verify(stored, ""), 0) << stored;
        EXPECT_EQ(ldap_passwd_verify(stored, "secret"), 0) << stored;
    }
}

TEST(PasswdCrypt, OpensslMd5AndShaCrypt) {
    for (const char *option : {"-1", "-5", "-6"}) {
        std::string hash = openssl_passwd(option, "crypt pass");
        expect_only("{crypt}" + hash, "crypt pass");
        expect_only("{CRYPT}" + hash, "crypt pass");
        expect_only("{CrYpT}" + hash, "crypt pass");
    }
}

TEST(PasswdCrypt, SlappasswdDesBcryptAndYescrypt) {
    // slappasswd fills the salt with random characters of the crypt
    // alphabet; the format names the algorithm.
    for (const char *format : {"%.2s", "$2b$05$%.22s", "$y$j9T$%.16s", "$6$%.16s"}) {
        std::string stored = slappasswd("{CRYPT}", "Crypt3d", format);
        ASSERT_EQ(stored.rfind("{CRYPT}", 0), 0u) << format;
        expect_only(stored, "Crypt3d");
        EXPECT_EQ(verify(stored, "crypt3d"), 0) << stored;
    }
}

// A stored value may ask for any amount of work; beyond the caps it never
// matches, right password or not, and is never hashed.
TEST(PasswdCrypt, CostBeyondTheCapNeverMatches) {
    std::string over = slappasswd("{CRYPT}", "Costly1", "$6$rounds=2000001$%.16s");
    ASSERT_EQ(over.rfind("{CRYPT}$6$rounds=2000001$", 0), 0u) << over;
    EXPECT_EQ(verify(over, "Costly1"), 0);
}

TEST(PasswdCrypt, MalformedValuesAnswerNo) {
    for (const char *stored : {"{crypt}", "{crypt}$6$", "{crypt}$6$salt", "{crypt}*0", "{crypt}*", "{crypt}!",
                               "{crypt}$9$abc$def", "{crypt}$2b$05$short"}) {
        EXPECT_EQ(ldap_passwd_verify(stored, ""), 0) << stored;
        EXPECT_EQ(ldap_passwd_verify(stored, "secret"), 0) << stored;
    }
}

TEST(PasswdSaltedDigests, SlappasswdSshaAndSmd5) {
    for (const char *scheme : {"{SSHA}", "{SMD5}"}) {
        std::string stored = slappasswd(scheme, "salty pass");
        ASSERT_EQ(stored.rfind(scheme, 0), 0u);
        expect_only(stored, "salty pass");
        expect_only(swap_tag_case(stored), "salty pass");
        EXPECT_EQ(verify(change_char(stored, 7), "salty pass"), 0);
        // A changed salt byte changes the digest the candidate must meet.
        EXPECT_EQ(verify(change_char(stored, -2), "salty pass"), 0);
    }
}

TEST(PasswdSha2Digests, HashlibValuesPlainAndSalted) {
    struct Case {
        const char *tag;
        const char *algorithm;
        int salt;
    };
    for (Case c : {Case{"{SHA256}", "sha256", 0}, Case{"{SSHA256}", "sha256", 8}, Case{"{SSHA256}", "sha256", 1},
                   Case{"{SHA384}", "sha384", 0}, Case{"{SSHA384}", "sha384", 16}, Case{"{SHA512}", "sha512", 0},
                   Case{"{SSHA512}", "sha512", 8}, Case{"{SSHA}", "sha1", 16}, Case{"{SMD5}", "md5", 8}}) {
        std::string stored = hashlib_value(c.tag, c.algorithm, "sha2 pass", c.salt);
        expect_only(stored, "sha2 pass");
        expect_only(swap_tag_case(stored), "sha2 pass");
    }
}

TEST(PasswdSha2Digests, NonAsciiPasswordsAreHashedAsTheirBytes) {
    std::string password = "p\xc3\xa4sswort";  // UTF-8
    expect_only(hashlib_value("{SSHA512}", "sha512", password, 8), password);
    expect_only(slappasswd("{SSHA}", password), password);
}

TEST(PasswdSaltedDigests, MalformedValuesAnswerNo) {
    std::string sha256 = hashlib_value("{SHA256}", "sha256", "pw", 0);
    std::string digest_text = sha256.substr(8);
    std::string sha512_as_256 = "{SHA256}" + hashlib_value("{SHA512}", "sha512", "pw", 0).substr(8);
    const std::string cases[] = {
        "{SSHA}",
        "{SHA256}",
        "{SSHA512}",
        "{SMD5}",
        "{SSHA256}" + digest_text,               // a digest without any salt
        "{SHA256}" + digest_text.substr(0, 40),  // cut short of whole groups
        "{SHA256}" + digest_text.substr(0, 40) + "====",
        "{SHA256}" + digest_text + "AAAA",  // longer than the digest
        "{SHA256}" + digest_text.substr(0, 20) + "!" + digest_text.substr(21),
        "{SHA256} " + digest_text,
        "{SHA256}" + digest_text + "\n",
        sha512_as_256,  // the digest of another algorithm
        "{SSHA}QUJD",
        "{SHA}",
        "{SHA}====",
        "{SHA}=",
    };
    for (const std::string &stored : cases) {
        EXPECT_EQ(verify(stored, "pw"), 0) << stored;
        EXPECT_EQ(verify(stored, ""), 0) << stored;
    }
    EXPECT_EQ(verify(sha256, "pw"), 1);
}

TEST(PasswdConcurrency, ChecksOnManyThreadsAgree) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {slappasswd("{SSHA}", "one"), "one"},
        {"{crypt}" + openssl_passwd("-6", "two"), "two"},
        {slappasswd("{CRYPT}", "three", "$y$j9T$%.16s"), "three"},
        {slappasswd("{MD5}", "four"), "four"},
        {hashlib_value("{SSHA384}", "sha384", "five", 8), "five"},
    };
    std::vector<int> wrong(8, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < wrong.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                for (size_t i = 0; i < values.size(); ++i) {
                    const auto &[stored, password] = values[(i + t) % values.size()];
                    if (verify(stored, password) != 1) ++wrong[t];
                    if (verify(stored, password + "!") != 0) ++wrong[t];
                }
            }
        });
    }
    for (auto &thread : threads) thread.join();
    for (size_t t = 0; t < wrong.size(); ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
