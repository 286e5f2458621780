// Password operations against a directory of the test's own that answers
// as a hostile or misconfigured one would: referrals to another host, a
// port that is not what the profile's SSL setting says, answers too long
// to hold.
#include <gtest/gtest.h>

#include <string>

#include "fake_directory.h"
#include "qorldap9.h"
#include "seam_guard.h"

namespace {

using qor_test::FakeDirectory;

const char *kOld = "Old-Secret-1";
const char *kNew = "New-Secret-2";

LDAP_Config profile_at(const FakeDirectory &fake, int ssl = 0) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, fake.hosts().c_str());
    LDC_setBaseDNEx(&r, "dc=example,dc=com");
    LDC_setmbFlags(&r, LDC_MB_SIMPLE | LDC_MB_POSIX);
    LDC_setReferalEx(&r, 1);  // the profile's own wish does not count
    LDC_setSslEx(&r, ssl);
    return r;
}

}  // namespace

TEST(HostileDirectory, ReferralToTheModifyIsAFailedChangeAndGoesNowhere) {
    FakeDirectory elsewhere;
    FakeDirectory replica({0, FakeDirectory::kReferral, elsewhere.url(), ""});
    ASSERT_TRUE(elsewhere.ready() && replica.ready());
    LDAP_Config r = profile_at(replica);
    EXPECT_EQ(ldapPasswordEx(&r, "jdoe", kOld, kNew), LDC_E_CHANGE_FAILED);
    EXPECT_NE(replica.received().find(kNew), std::string::npos);  // the modify was sent, once, to the replica
    // Its root DSE lists no password-modify operation: a replace went.
    EXPECT_NE(replica.received().find("userpassword"), std::string::npos);
    EXPECT_EQ(replica.received().find("1.3.6.1.4.1.4203.1.11.1"), std::string::npos);
    EXPECT_EQ(elsewhere.connections(), 0);
}

TEST(HostileDirectory, ReferralToTheBindIsARefusedPassword) {
    FakeDirectory elsewhere;
    FakeDirectory replica({FakeDirectory::kReferral, 0, elsewhere.url(), ""});
    ASSERT_TRUE(elsewhere.ready() && replica.ready());
    LDAP_Config r = profile_at(replica);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", kOld), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(elsewhere.connections(), 0);
}

// Ssl 2 asks for SSL: a listener that does not speak it sees a handshake,
// never the password.
TEST(HostileDirectory, AnyNonzeroSslKeepsPasswordsOffThePlainWire) {
    SeamGuard seams;  // the handshake with a listener that never answers waits the connect deadline
    qor::set_session_limits_for_testing(qor_test::quick_session_limits());
    FakeDirectory sniffer;
    ASSERT_TRUE(sniffer.ready());
    LDAP_Config r = profile_at(sniffer, 2);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", kOld), LDC_E_PASSWORD_REFUSED);
    EXPECT_GE(sniffer.connections(), 1);
    EXPECT_EQ(sniffer.received().find(kOld), std::string::npos);
}

TEST(HostileDirectory, EmptyNewPasswordIsRefusedBeforeAnyContact) {
    FakeDirectory accepting;
    ASSERT_TRUE(accepting.ready());
    LDAP_Config r = profile_at(accepting);
    EXPECT_EQ(ldapPasswordEx(&r, "jdoe", kOld, ""), LDC_E_CHANGE_FAILED);
    EXPECT_EQ(accepting.connections(), 0);
}

TEST(HostileDirectory, MissingUserIsRefusedLikeAMissingPassword) {
    FakeDirectory accepting;
    ASSERT_TRUE(accepting.ready());
    LDAP_Config r = profile_at(accepting);
    EXPECT_EQ(ldapPasswordEx(&r, nullptr, kOld, kNew), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(accepting.connections(), 0);
}

// Each row's server grants the bind with a diagnostic of the given size;
// past the session's bound on an answer, the connection ends unread.
TEST(HostileDirectory, AnswerBeyondTheBoundEndsTheSessionUnread) {
    const struct {
        size_t diagnostic_bytes;
        int verdict;
    } rows[] = {{64 << 10, 0}, {(1 << 20) + 1, LDC_E_PASSWORD_REFUSED}, {32 << 20, LDC_E_PASSWORD_REFUSED}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.diagnostic_bytes);
        FakeDirectory server({0, 0, "", std::string(row.diagnostic_bytes, 'd')});
        ASSERT_TRUE(server.ready());
        LDAP_Config r = profile_at(server);
        EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", kOld), row.verdict);
    }
}

// A server whose every answer quotes what it was sent: no password the
// call was given shows in the recorded text, not even part of a new
// password that holds the old one.
TEST(HostileDirectory, TextsQuotingAPasswordAreRecordedMasked) {
    const std::string bind_pw = "Bind-Secret-9", new_pw = std::string(kOld) + "!tail";
    struct Case {
        const char *what;
        std::string quoted;
        int (*call)(LDAP_Config &, const std::string &new_pw);
    } cases[] = {
        {"schema check", bind_pw, [](LDAP_Config &r, const std::string &) { return ldap_validateSchema(&r); }},
        {"configuration check", bind_pw, [](LDAP_Config &r, const std::string &) { return ldap_verifyConfigEx(&r); }},
        {"change", new_pw,
         [](LDAP_Config &r, const std::string &n) { return ldapPasswordEx(&r, "jdoe", kOld, n.c_str()); }},
    };
    for (const Case &c : cases) {
        FakeDirectory echo({0, 0, "", "you sent " + c.quoted});
        ASSERT_TRUE(echo.ready());
        LDAP_Config r = profile_at(echo);
        LDC_setBindDNEx(&r, "cn=admin,dc=example,dc=com");
        LDC_setBindPwdEx(&r, bind_pw.c_str());
        c.call(r, new_pw);
        char text[256] = {0};
        ASSERT_EQ(LDC_lastDiagnosticEx(text, sizeof text), 1) << c.what;
        EXPECT_STREQ(text, "you sent ***") << c.what;
    }
}

// Codes the client also uses for its own failures (81 server down, 85
// timeout, 91 connect error), sent by the server: each is an answer, so
// the bind goes to no other host and a refused modify is settled by no
// bind. Each row's server is the profile's first host.
TEST(HostileDirectory, ClientCodesSentByTheServerAreItsAnswer) {
    const struct {
        FakeDirectory::Answers answers;
        bool change;
        int verdict;
        int connections;  // a change checks the old password first: two, and no settling one
    } rows[] = {{{81, 0, "", ""}, false, LDC_E_PASSWORD_REFUSED, 1},
                {{91, 0, "", ""}, false, LDC_E_PASSWORD_REFUSED, 1},
                {{0, 85, "", ""}, true, LDC_E_CHANGE_FAILED, 2},
                {{0, 81, "", ""}, true, LDC_E_CHANGE_FAILED, 2}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.answers.bind + row.answers.modify);
        FakeDirectory first(row.answers), second;
        ASSERT_TRUE(first.ready() && second.ready());
        LDAP_Config r = profile_at(first);
        LDC_setHostNamesEx(&r, (first.hosts() + " " + second.hosts()).c_str());
        EXPECT_EQ(row.change ? ldapPasswordEx(&r, "jdoe", kOld, kNew) : ldap_verifyPasswdEx(&r, "jdoe", kOld),
                  row.verdict);
        EXPECT_EQ(first.connections(), row.connections);
        EXPECT_EQ(second.connections(), 0);
    }
}
