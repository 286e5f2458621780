// Session open and bind against the test directory.
#include <gtest/gtest.h>
#include <ldap.h>

#include <string>

#include "deep_base.h"
#include "directory_profile.h"
#include "qorldap9.h"
#include "seam_guard.h"
#include "test_directory.h"

using qor_test::ClosedPort;
using qor_test::profile_for;
using qor_test::Session;
using qor_test::set_credentials;
using qor_test::TestDirectory;
using qor_test::who_am_i;

namespace {

int int_option(LDAP *ld, int option) {
    int v = -12345;
    ldap_get_option(ld, option, &v);
    return v;
}

}  // namespace

TEST(SessionOpen, AppliesTheProfilesFiveOptions) {
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config r = profile_for(*dir, 0x19);
    LDC_setVersionEx(&r, 2);
    LDC_setSizeLimitEx(&r, 7);
    LDC_setTimeoutEx(&r, 9);
    LDC_setDerefEx(&r, LDAP_DEREF_ALWAYS);
    LDC_setReferalEx(&r, 0);
    Session s;
    ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
    ASSERT_NE(s.ld, nullptr);
    EXPECT_EQ(int_option(s.ld, LDAP_OPT_PROTOCOL_VERSION), 2);
    EXPECT_EQ(int_option(s.ld, LDAP_OPT_SIZELIMIT), 7);
    EXPECT_EQ(int_option(s.ld, LDAP_OPT_TIMELIMIT), 9);
    EXPECT_EQ(int_option(s.ld, LDAP_OPT_DEREF), LDAP_DEREF_ALWAYS);
    EXPECT_EQ(int_option(s.ld, LDAP_OPT_REFERRALS), 0);
    // The client waits for the server as long as the server may work.
    struct timeval *wait = nullptr;
    ASSERT_EQ(ldap_get_option(s.ld, LDAP_OPT_TIMEOUT, &wait), LDAP_OPT_SUCCESS);
    ASSERT_NE(wait, nullptr);
    EXPECT_GT(wait->tv_sec, 9);
    ldap_memfree(wait);

    LDAP_Config on = profile_for(*dir, 0x19);  // default Referal 8: referrals followed
    Session s2;
    ASSERT_EQ(ldapInitEx(&s2.ld, &on), 0);
    EXPECT_NE(int_option(s2.ld, LDAP_OPT_REFERRALS), 0);
    EXPECT_EQ(int_option(s2.ld, LDAP_OPT_PROTOCOL_VERSION), 3);
}

TEST(SessionOpen, FailedOpenLeavesNullAndTheClientsCode) {
    QOR_REQUIRE_SLAPD(dir);
    for (const char *hosts : {"127.0.0.1:notaport", "127.0.0.1:0", "127.0.0.1:65536", "", "   ", "host/path", "[::1"}) {
        LDAP_Config r = profile_for(*dir, 0x19);
        LDC_setHostNamesEx(&r, hosts);
        Session s;
        EXPECT_EQ(ldapInitEx(&s.ld, &r), 89) << hosts;  // parameter error
        EXPECT_EQ(s.ld, nullptr) << hosts;
        EXPECT_EQ(ldap_verifyConfigEx(&r), 89) << hosts;
    }
}

TEST(SessionOpen, AnyNonzeroSslOpensAnSslSession) {
    QOR_REQUIRE_SLAPD(dir);
    for (int ssl : {1, 2, -1}) {
        LDAP_Config r = profile_for(*dir, 0x19);
        LDC_setPortEx(&r, dir->ldaps_port());
        LDC_setSslEx(&r, ssl);
        Session s;
        ASSERT_EQ(ldapInitEx(&s.ld, &r), 0) << ssl;
        EXPECT_EQ(ldapAuthEx(s.ld, &r), 0) << ssl;
        void *tls = nullptr;
        ASSERT_EQ(ldap_get_option(s.ld, LDAP_OPT_X_TLS_SSL_CTX, &tls), LDAP_OPT_SUCCESS);
        EXPECT_NE(tls, nullptr) << ssl;
    }
    // The same port without SSL: the server never sees an LDAP request.
    LDAP_Config plain = profile_for(*dir, 0x19);
    LDC_setPortEx(&plain, dir->ldaps_port());
    EXPECT_NE(ldap_verifyConfigEx(&plain), 0);
}

TEST(SessionOpen, SslRefusesAServerCertificateFromAnUntrustedCa) {
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config r = profile_for(*dir, 0x19);
    LDC_setPortEx(&r, dir->ldaps_port());
    LDC_setSslEx(&r, 1);
    ASSERT_EQ(ldap_verifyConfigEx(&r), 0);
    // New sessions take the process-wide CA setting; the system's CAs do
    // not know the test CA.
    std::string ours = dir->cacert();
    ASSERT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, "/etc/ssl/certs/ca-certificates.crt"),
              LDAP_OPT_SUCCESS);
    int rc = ldap_verifyConfigEx(&r);
    ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, ours.c_str());
    EXPECT_EQ(rc, 81);  // server down: the handshake failed
    EXPECT_EQ(ldap_verifyConfigEx(&r), 0);
}

TEST(SessionOpen, DeadFirstHostThenLiveSecondHost) {
    QOR_REQUIRE_SLAPD(dir);
    ClosedPort dead;
    ASSERT_NE(dead.port(), 0);
    std::string d = "127.0.0.1:" + std::to_string(dead.port());

    LDAP_Config r = profile_for(*dir, 0x19);
    LDC_setHostNamesEx(&r, d.c_str());
    EXPECT_EQ(ldap_verifyConfigEx(&r), 81);  // positive, as the Windows client reports it
    std::string both = d + " 127.0.0.1";     // the second takes the profile's port
    LDC_setHostNamesEx(&r, both.c_str());
    EXPECT_EQ(ldap_verifyConfigEx(&r), 0);

    LDAP_Config s = profile_for(*dir, 0x19);
    LDC_setSslEx(&s, 1);
    LDC_setHostNamesEx(&s, d.c_str());
    EXPECT_EQ(ldap_verifyConfigEx(&s), 81);
    std::string both_ssl = d + " 127.0.0.1:" + std::to_string(dir->ldaps_port());
    LDC_setHostNamesEx(&s, both_ssl.c_str());
    EXPECT_EQ(ldap_verifyConfigEx(&s), 0);
}

// A host that takes the connection and never answers must not hold the
// caller: the bind times out (plain) or the handshake does (SSL).
TEST(SessionOpen, SilentHostFailsInsteadOfHanging) {
    QOR_REQUIRE_SLAPD(dir);
    SeamGuard seams;
    qor::set_session_limits_for_testing(qor_test::quick_session_limits());
    int port = 0;
    int fd = qor_test::bound_loopback_socket(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(listen(fd, 8), 0);  // the kernel completes connects; nobody reads
    LDAP_Config r = profile_for(*dir, 0x11);
    LDC_setPortEx(&r, port);
    EXPECT_EQ(ldap_verifyConfigEx(&r), 85);  // timeout
    LDC_setSslEx(&r, 1);
    EXPECT_EQ(ldap_verifyConfigEx(&r), 81);
    close(fd);
}

TEST(SessionBind, DefaultFlagsBindAnonymouslyWhateverTheCredentials) {
    QOR_REQUIRE_SLAPD(dir);
    LDAP_Config r = profile_for(*dir, LDC_MB_DEFAULT);
    set_credentials(r, "jdoe", "wrong");  // ignored: 0x10 means no credentials
    Session s;
    ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
    EXPECT_EQ(ldapAuthEx(s.ld, &r), 0);
    EXPECT_EQ(who_am_i(s.ld), "");
}

TEST(SessionBind, CredentialBindRightAndWrong) {
    QOR_REQUIRE_SLAPD(dir);
    struct Case {
        int flags;
        const char *user;
        const char *password;
        int rc;
        const char *who;
    } cases[] = {
        {0x21, "jdoe", TestDirectory::kPosixJdoePassword, 0, "dn:uid=jdoe,ou=people,dc=example,dc=com"},
        {0x21, "asmith", TestDirectory::kPosixAsmithPassword, 0, "dn:uid=asmith,ou=people,dc=example,dc=com"},
        {0x22, "jdoe", TestDirectory::kAdJdoePassword, 0, "dn:cn=jdoe,cn=users,dc=example,dc=com"},
        {0x23, "jdoe", TestDirectory::kPosixJdoePassword, 0, "dn:uid=jdoe,ou=people,dc=example,dc=com"},
        {0x22, "cn=asmith,cn=users,dc=example,dc=com", TestDirectory::kAdAsmithPassword, 0,
         "dn:cn=asmith,cn=users,dc=example,dc=com"},
        {0x21, "jdoe", "Secret124", 49, ""},
        {0x22, "jdoe", TestDirectory::kPosixJdoePassword, 49, ""},
        {0x21, "nobody", "x", 49, ""},
        // A DN without a password is refused by the library itself (this server
        // would say 53; others answer an unauthenticated bind with success).
        {0x21, "jdoe", "", 49, ""},
    };
    for (const Case &c : cases) {
        LDAP_Config r = profile_for(*dir, c.flags);
        set_credentials(r, c.user, c.password);
        Session s;
        ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
        EXPECT_EQ(ldapAuthEx(s.ld, &r), c.rc) << c.user << " " << c.flags;
        if (c.rc == 0) {
            EXPECT_EQ(who_am_i(s.ld), c.who);
        }
        EXPECT_EQ(ldap_verifyConfigEx(&r), c.rc) << c.user << " " << c.flags;
    }
}

TEST(SessionBind, BindUserUnderADeepBaseBinds) {
    QOR_REQUIRE_SLAPD(dir);
    std::string base = qor_test::deep_base_with_user(*dir, "deepbind", "Deep-Bind-1");
    ASSERT_EQ(base.size(), qor_test::kDeepBaseLength);
    LDAP_Config r = profile_for(*dir, 0x21, base);
    set_credentials(r, "deepbind", "Deep-Bind-1");
    Session s;
    ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
    EXPECT_EQ(ldapAuthEx(s.ld, &r), 0);
    EXPECT_EQ(who_am_i(s.ld), "dn:uid=deepbind,ou=people," + base);
}

TEST(SessionBind, NoBindMethodIsReportedNotTakenForBound) {
    QOR_REQUIRE_SLAPD(dir);
    for (int flags : {0x00, 0x01, 0x02, 0x08, 0x0B, 0x180}) {
        LDAP_Config r = profile_for(*dir, flags);
        set_credentials(r, "jdoe", TestDirectory::kPosixJdoePassword);
        Session s;
        ASSERT_EQ(ldapInitEx(&s.ld, &r), 0);
        EXPECT_EQ(ldapAuthEx(s.ld, &r), LDAP_AUTH_METHOD_NOT_SUPPORTED) << flags;
        EXPECT_EQ(ldap_verifyConfigEx(&r), LDAP_AUTH_METHOD_NOT_SUPPORTED) << flags;
    }
}

TEST(SessionBind, FailedConnectIsTheIntegratedBindsResult) {
    QOR_REQUIRE_SLAPD(dir);
    ClosedPort dead;
    LDAP_Config r = profile_for(*dir, 0x61);
    std::string d = "127.0.0.1:" + std::to_string(dead.port());
    LDC_setHostNamesEx(&r, d.c_str());
    set_credentials(r, "jdoe", TestDirectory::kPosixJdoePassword);
    EXPECT_EQ(ldap_verifyConfigEx(&r), 81);
}

TEST(SessionCleanup, NoSessionIsLeftOpen) {
    QOR_REQUIRE_SLAPD(dir);
    ASSERT_EQ(dir->connections_from_this_process(), 0);
    LDAP_Config good = profile_for(*dir, 0x21);
    set_credentials(good, "jdoe", TestDirectory::kPosixJdoePassword);
    LDAP_Config bad = good;
    LDC_setBindPwdEx(&bad, "wrong");
    {
        // The count sees a session the caller still holds.
        Session s;
        ASSERT_EQ(ldapInitEx(&s.ld, &good), 0);
        ASSERT_EQ(ldapAuthEx(s.ld, &good), 0);
        EXPECT_EQ(dir->connections_from_this_process(), 1);
    }
    EXPECT_EQ(ldap_verifyConfigEx(&good), 0);
    EXPECT_EQ(ldap_verifyConfigEx(&bad), 49);
    EXPECT_EQ(ldap_validateSchema(&good), 0);
    EXPECT_EQ(ldap_validateSchema(&bad), 49);
    LDAP_Config empty = profile_for(*dir, 0x11, "ou=empty,dc=example,dc=com");
    EXPECT_EQ(ldap_validateSchema(&empty), LDC_E_NO_USER_ENTRY);
    LDAP_Config missing = profile_for(*dir, 0x11, "ou=nope,dc=example,dc=com");
    EXPECT_EQ(ldap_validateSchema(&missing), LDAP_NO_SUCH_OBJECT);
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}
