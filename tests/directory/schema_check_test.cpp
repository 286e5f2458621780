// The schema check: which accounts count, and what a failure returns.
#include <gtest/gtest.h>

#include <string>

#include "directory_profile.h"
#include "qorldap9.h"
#include "test_directory.h"

using qor_test::ClosedPort;
using qor_test::profile_for;
using qor_test::set_credentials;
using qor_test::TestDirectory;

namespace {

const std::string kPeople = "ou=people,dc=example,dc=com";  // POSIX accounts only
const std::string kUsers = "cn=users,dc=example,dc=com";    // AD-style users only

}  // namespace

TEST(SchemaCheck, TheProfilesKindOfAccountDecides) {
    QOR_REQUIRE_SLAPD(dir);
    struct Case {
        int flags;
        const std::string &base;
        int rc;
    } cases[] = {
        {0x11, kPeople, 0},
        {0x12, kPeople, LDC_E_NO_USER_ENTRY},
        {0x12, kUsers, 0},
        {0x11, kUsers, LDC_E_NO_USER_ENTRY},
        // Both kinds: the POSIX filter is the one used.
        {0x13, kPeople, 0},
        {0x13, kUsers, LDC_E_NO_USER_ENTRY},
        {0x113, kPeople, 0},  // only the low byte counts
    };
    for (const Case &c : cases) {
        LDAP_Config r = profile_for(*dir, c.flags, c.base);
        EXPECT_EQ(ldap_validateSchema(&r), c.rc) << c.flags << " " << c.base;
    }
    LDAP_Config whole = profile_for(*dir, 0x12);
    EXPECT_EQ(ldap_validateSchema(&whole), 0);
}

TEST(SchemaCheck, NoKindOfAccountFindsNone) {
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config r = profile_for(*dir, 0x10);
    EXPECT_EQ(ldap_validateSchema(&r), LDC_E_NO_USER_ENTRY);
    // The open and the bind still come first and report their codes.
    LDAP_Config bad = profile_for(*dir, 0x28);
    set_credentials(bad, "cn=admin,dc=example,dc=com", "wrong");
    EXPECT_EQ(ldap_validateSchema(&bad), 49);
}

TEST(SchemaCheck, EachFailingStepReturnsItsCode) {
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config empty = profile_for(*dir, 0x11, "ou=empty,dc=example,dc=com");
    EXPECT_EQ(ldap_validateSchema(&empty), LDC_E_NO_USER_ENTRY);

    LDAP_Config missing = profile_for(*dir, 0x11, "ou=nope,dc=example,dc=com");
    EXPECT_EQ(ldap_validateSchema(&missing), 32);  // no such object

    LDAP_Config wrong = profile_for(*dir, 0x21);
    set_credentials(wrong, "jdoe", "wrong");
    EXPECT_EQ(ldap_validateSchema(&wrong), 49);

    LDAP_Config right = profile_for(*dir, 0x22);
    set_credentials(right, "jdoe", TestDirectory::kAdJdoePassword);
    EXPECT_EQ(ldap_validateSchema(&right), 0);

    LDAP_Config bad_host = profile_for(*dir, 0x11);
    LDC_setHostNamesEx(&bad_host, "127.0.0.1:x");
    EXPECT_EQ(ldap_validateSchema(&bad_host), 89);

    ClosedPort dead;
    LDAP_Config down = profile_for(*dir, 0x11);
    LDC_setPortEx(&down, dead.port());
    EXPECT_EQ(ldap_validateSchema(&down), 81);

    // A size limit of one entry is exceeded by the two POSIX accounts, but
    // the entry that came back answers the check.
    LDAP_Config limited = profile_for(*dir, 0x11);
    LDC_setSizeLimitEx(&limited, 1);
    EXPECT_EQ(ldap_validateSchema(&limited), 0);
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}
