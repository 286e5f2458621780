// The integrated (negotiate) bind against a directory that trusts a
// private Kerberos realm; the process holds jdoe's ticket.
#include <gtest/gtest.h>
#include <ldap.h>

#include <cstdlib>
#include <string>

#include "directory_profile.h"
#include "qorldap9.h"
#include "test_directory.h"

using qor_test::ClosedPort;
using qor_test::profile_for;
using qor_test::Session;
using qor_test::set_credentials;
using qor_test::TestDirectory;
using qor_test::who_am_i;

namespace {

// Points the process's ticket cache elsewhere for one scope.
class TicketCache {
  public:
    explicit TicketCache(const std::string &name) {
        const char *old = std::getenv("KRB5CCNAME");
        old_ = old != nullptr ? old : "";
        setenv("KRB5CCNAME", name.c_str(), 1);
    }
    ~TicketCache() { setenv("KRB5CCNAME", old_.c_str(), 1); }

  private:
    std::string old_;
};

}  // namespace

TEST(NegotiateBind, RejectedSimpleBindThenNegotiateBindIsBound) {
    QOR_REQUIRE_KDC(kdc);
    LDAP_Config r = profile_for(*kdc, 0x61);
    set_credentials(r, "jdoe", "not-the-password");
    {
        // On its own, the simple bind is refused.
        LDAP_Config simple = r;
        LDC_setmbFlags(&simple, 0x21);
        EXPECT_EQ(ldap_verifyConfigEx(&simple), 49);
    }
    Session s;
    ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
    EXPECT_EQ(ldapAuthEx(s.ld, &r), 0);
    EXPECT_EQ(who_am_i(s.ld), "dn:" + kdc->get("KRB5_USER_DN"));
    EXPECT_EQ(ldap_verifyConfigEx(&r), 0);
    EXPECT_EQ(ldap_validateSchema(&r), 0);
}

TEST(NegotiateBind, IntegratedOnlyProfileBindsWithTheTicket) {
    QOR_REQUIRE_KDC(kdc);
    LDAP_Config r = profile_for(*kdc, 0x41);
    Session s;
    ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
    EXPECT_EQ(ldapAuthEx(s.ld, &r), 0);
    EXPECT_EQ(who_am_i(s.ld), "dn:" + kdc->get("KRB5_USER_DN"));
}

TEST(NegotiateBind, WithoutATicketTheNegotiateResultReplacesTheSimpleOne) {
    QOR_REQUIRE_KDC(kdc);
    TicketCache none(kdc->get("KRB5_EMPTY_CCACHE"));
    LDAP_Config integrated = profile_for(*kdc, 0x41);
    EXPECT_EQ(ldap_verifyConfigEx(&integrated), 82);  // local error: no credentials, and no prompt

    // A simple bind that succeeds does not save a failing negotiate bind.
    LDAP_Config both = profile_for(*kdc, 0x61);
    set_credentials(both, "jdoe", TestDirectory::kPosixJdoePassword);
    LDAP_Config simple = both;
    LDC_setmbFlags(&simple, 0x21);
    ASSERT_EQ(ldap_verifyConfigEx(&simple), 0);
    EXPECT_EQ(ldap_verifyConfigEx(&both), 82);
}

TEST(NegotiateBind, FailedConnectIsReportedAndNothingElseTried) {
    QOR_REQUIRE_KDC(kdc);
    ClosedPort dead;
    LDAP_Config r = profile_for(*kdc, 0x41);
    LDC_setPortEx(&r, dead.port());
    EXPECT_EQ(ldap_verifyConfigEx(&r), 81);
    EXPECT_EQ(kdc->connections_from_this_process(), 0);
}
