#include <gtest/gtest.h>

#include <string>

#include "config/user_dn.h"
#include "qorldap9.h"

namespace {

struct UserDn : ::testing::Test {
    LDAP_Config r;
    char dn[512];
    void SetUp() override {
        LDAP_Config_initializeEx(&r);
        LDC_setBaseDNEx(&r, "dc=example,dc=com");
        memset(dn, 0, sizeof dn);
    }
    std::string form(const char *user, int32_t flags) {
        LDC_setmbFlags(&r, flags);
        LDC_formUserDNEx(&r, user, dn);
        return dn;
    }
};

}  // namespace

TEST_F(UserDn, PatternFollowsTheFlags) {
    EXPECT_EQ(form("jdoe", 0x01), "uid=jdoe,ou=people,dc=example,dc=com");
    EXPECT_EQ(form("jdoe", 0x02), "cn=jdoe,cn=users,dc=example,dc=com");
    EXPECT_EQ(form("jdoe", 0x03), "uid=jdoe,ou=people,dc=example,dc=com");
    EXPECT_EQ(form("jdoe", 0x19), "uid=jdoe,ou=people,dc=example,dc=com");
    EXPECT_EQ(form("jdoe", 0x42), "cn=jdoe,cn=users,dc=example,dc=com");
}

TEST_F(UserDn, CommaMeansAWholeDnAndNullMeansEmpty) {
    EXPECT_EQ(form("cn=J Doe,ou=staff,dc=example,dc=com", 0x01), "cn=J Doe,ou=staff,dc=example,dc=com");
    EXPECT_EQ(form("cn=J Doe,ou=staff,dc=example,dc=com", 0x00), "cn=J Doe,ou=staff,dc=example,dc=com");
    memset(dn, 'z', 20);
    EXPECT_EQ(form(nullptr, 0x01), "");
}

TEST_F(UserDn, NeitherBitLeavesTheBufferByteForByte) {
    char before[sizeof dn];
    memset(dn, 'q', sizeof dn - 1);
    dn[sizeof dn - 1] = 0;
    memcpy(before, dn, sizeof dn);
    LDC_setmbFlags(&r, 0x10);
    LDC_formUserDNEx(&r, "jdoe", dn);
    EXPECT_EQ(memcmp(before, dn, sizeof dn), 0);
}

TEST_F(UserDn, BareNamesAreEscapedAsDnValues) {
    EXPECT_EQ(form("j.doe-1", 0x01), "uid=j.doe-1,ou=people,dc=example,dc=com");
    EXPECT_EQ(form("user@example.org", 0x01), "uid=user@example.org,ou=people,dc=example,dc=com");
    char out[256];
    LDC_setmbFlags(&r, 0x01);
    struct {
        const char *name, *value;
    } cases[] = {
        {"a+uid=admin", "a\\+uid=admin"},
        {"x\"y", "x\\\"y"},
        {"back\\slash", "back\\\\slash"},
        {"<tag>", "\\<tag\\>"},
        {"semi;colon", "semi\\;colon"},
        {"#hash#", "\\#hash#"},
        {" lead and trail ", "\\ lead and trail\\ "},
    };
    for (auto &c : cases) {
        ASSERT_TRUE(qor::form_user_dn(&r, c.name, out, sizeof out)) << c.name;
        EXPECT_EQ(std::string(out), std::string("uid=") + c.value + ",ou=people,dc=example,dc=com") << c.name;
    }
}

TEST_F(UserDn, InternalFormReportsADnThatDoesNotFit) {
    LDC_setmbFlags(&r, 0x01);
    const std::string want = "uid=jdoe,ou=people,dc=example,dc=com";
    char out[64];
    memset(out, 'g', sizeof out);
    ASSERT_TRUE(qor::form_user_dn(&r, "jdoe", out, want.size() + 1));
    EXPECT_EQ(std::string(out), want);
    memset(out, 'g', sizeof out);
    EXPECT_FALSE(qor::form_user_dn(&r, "jdoe", out, want.size()));
    EXPECT_STREQ(out, "");
    EXPECT_EQ(out[want.size()], 'g');  // nothing written past the stated size
    std::string dn_user(300, 'x');
    dn_user[5] = ',';
    char small[256];
    EXPECT_FALSE(qor::form_user_dn(&r, dn_user.c_str(), small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST_F(UserDn, ExportNeverWritesBeyondThePromisedRoom) {
    // The exported form promises only user + BaseDN + 15 + 1 bytes; an
    // escaped name needs more and is refused with an empty DN.
    LDC_setmbFlags(&r, 0x01);
    const char *user = "a+b";
    size_t room = strlen(user) + strlen(r.BaseDN) + 15 + 1;
    memset(dn, 'g', sizeof dn);
    LDC_formUserDNEx(&r, user, dn);
    EXPECT_STREQ(dn, "");
    for (size_t i = room; i < sizeof dn; ++i) ASSERT_EQ(dn[i], 'g') << i;
    // The Active Directory pattern is two characters shorter: room for
    // one or two escapes, and none written beyond it.
    struct {
        const char *name, *dn;
    } cases[] = {
        {"a+b", "cn=a\\+b,cn=users,dc=example,dc=com"},
        {"#x", "cn=\\#x,cn=users,dc=example,dc=com"},
        {"Q \"Q\" U", "cn=Q \\\"Q\\\" U,cn=users,dc=example,dc=com"},
        {"a+b+c+d", ""},  // three escapes: two characters too many
    };
    for (auto &c : cases) {
        memset(dn, 'g', sizeof dn);
        EXPECT_EQ(form(c.name, 0x02), c.dn) << c.name;
        room = strlen(c.name) + strlen(r.BaseDN) + 15 + 1;
        for (size_t i = room; i < sizeof dn; ++i) ASSERT_EQ(dn[i], 'g') << c.name << i;
    }
}

// The library's own binds send Active Directory logon names as given; the
// export keeps its patterns for every name.
TEST_F(UserDn, LogonNamesAreBindNamesOnlyForAdProfiles) {
    char name[qor::kUserDnSize];
    for (const char *logon : {"carol@example.com", "EXAMPLE\\carol"}) {
        LDC_setmbFlags(&r, 0x22);
        ASSERT_TRUE(qor::form_bind_name(&r, logon, name, sizeof name));
        EXPECT_STREQ(name, logon);
        LDC_setmbFlags(&r, 0x21);
        ASSERT_TRUE(qor::form_bind_name(&r, logon, name, sizeof name));
        EXPECT_EQ(std::string(name).rfind("uid=", 0), 0u) << name;
    }
    EXPECT_EQ(form("carol@example.com", 0x22), "cn=carol@example.com,cn=users,dc=example,dc=com");
    LDC_setmbFlags(&r, 0x22);
    ASSERT_TRUE(qor::form_bind_name(&r, "carol", name, sizeof name));
    EXPECT_STREQ(name, "cn=carol,cn=users,dc=example,dc=com");
}
