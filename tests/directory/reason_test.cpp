// Why a check or a change failed, as the per-thread record tells it,
// against the test directory's password policies (users pp*, password
// Policy-Pass-1) and its transport failures. The codes of the exports
// stay those of the original interface.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "directory_profile.h"
#include "qorldap9.h"
#include "seam_guard.h"
#include "test_directory.h"

namespace {

using qor_test::TestDirectory;

constexpr const char *kPolicyPassword = "Policy-Pass-1";
// The fixture's policies (tests/fixtures/data/seed.ldif.in).
constexpr int32_t kGraceLimit = 1000;
constexpr int32_t kWarnedMaxAge = 31536000;
constexpr int kServerDown = 81;  // the interface's numbers for libldap's -1 and -5
constexpr int kTimeout = 85;

struct Record {
    int32_t step, result, reason, value;
    std::string diagnostic;
};

Record last_record() {
    char text[1024];
    int32_t whole = LDC_lastDiagnosticEx(text, sizeof text);
    return {LDC_lastStepEx(), LDC_lastResultEx(), LDC_lastReasonEx(), LDC_lastReasonValueEx(),
            whole ? std::string(text) : std::string("<cut>")};
}

class Reasons : public ::testing::Test {
  protected:
    const TestDirectory *dir = nullptr;
    LDAP_Config posix{};
    void SetUp() override {
        std::string why;
        dir = TestDirectory::slapd(&why);
        if (dir == nullptr) {
            if (why.empty()) GTEST_SKIP() << "QOR_SLAPD_ENV is not set";
            FAIL() << why;
        }
        posix = qor_test::profile_for(*dir, LDC_MB_POSIX | LDC_MB_SIMPLE);
    }
};

TEST_F(Reasons, ExpiredPasswordIsRefusedAsExpired) {
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "ppexpired", kPolicyPassword), LDC_E_PASSWORD_REFUSED);
    Record r = last_record();
    EXPECT_EQ(r.step, LDC_STEP_BIND);
    EXPECT_EQ(r.result, LDAP_INVALID_CREDENTIALS);
    EXPECT_EQ(r.reason, LDC_REASON_PASSWORD_EXPIRED);
    // The change verifies the old password first and is told why it did not.
    EXPECT_EQ(ldapPasswordEx(&posix, "ppexpired", kPolicyPassword, "Policy-Pass-2"), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_PASSWORD_EXPIRED);
}

TEST_F(Reasons, GraceLoginsLeftAreTold) {
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "ppgrace", kPolicyPassword), 0);
    Record r = last_record();
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.reason, LDC_REASON_GRACE_LOGINS);
    EXPECT_GT(r.value, 0);
    EXPECT_LT(r.value, kGraceLimit);
}

TEST_F(Reasons, ExpiryWarningTellsTheSecondsLeft) {
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "ppwarned", kPolicyPassword), 0);
    Record r = last_record();
    EXPECT_EQ(r.reason, LDC_REASON_EXPIRES_SOON);
    EXPECT_LE(r.value, kWarnedMaxAge);
    EXPECT_GT(r.value, kWarnedMaxAge - 86400);
}

TEST_F(Reasons, AccountLockedAfterFailures) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ldap_verifyPasswdEx(&posix, "pplockme", "wrong-guess-3"), LDC_E_PASSWORD_REFUSED);
        EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_INVALID_CREDENTIALS);
    }
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "pplockme", kPolicyPassword), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_LOCKED_OUT);
}

TEST_F(Reasons, MustChangeAfterResetIsToldThoughTheCheckPasses) {
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "ppreset", kPolicyPassword), 0);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_MUST_CHANGE);
}

TEST_F(Reasons, TooShortNewPasswordIsRefusedByThePolicy) {
    EXPECT_EQ(ldapPasswordEx(&posix, "ppquality", kPolicyPassword, "Tiny-1"), LDC_E_CHANGE_FAILED);
    Record r = last_record();
    EXPECT_EQ(r.step, LDC_STEP_MODIFY);
    EXPECT_EQ(r.result, LDAP_CONSTRAINT_VIOLATION);
    EXPECT_EQ(r.reason, LDC_REASON_TOO_SHORT);
    EXPECT_EQ(r.diagnostic, "Password fails quality checking policy");
    char small[8];
    EXPECT_EQ(LDC_lastDiagnosticEx(small, sizeof small), 0);  // whole or nothing
    EXPECT_STREQ(small, "");
}

TEST_F(Reasons, WrongPasswordAndNoSuchUserAreInvalidCredentials) {
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", "wrong-guess-3"), LDC_E_PASSWORD_REFUSED);
    Record r = last_record();
    EXPECT_EQ(r.reason, LDC_REASON_INVALID_CREDENTIALS);
    EXPECT_EQ(r.diagnostic.find("wrong-guess-3"), std::string::npos);
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    r = last_record();
    EXPECT_EQ(r.step, LDC_STEP_BIND);
    EXPECT_EQ(r.reason, LDC_REASON_NONE);
}

// Plain or over SSL: a refused connection leaves the TLS layer's
// transport text ("Error in the push function."), no certificate verdict.
TEST_F(Reasons, ServerDownIsATransportFailure) {
    qor_test::ClosedPort closed;
    LDC_setPortEx(&posix, closed.port());
    for (int ssl : {0, 1}) {
        LDC_setSslEx(&posix, ssl);
        LDC_setmbFlags(&posix, LDC_MB_POSIX | LDC_MB_SIMPLE);
        EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PASSWORD_REFUSED);
        Record r = last_record();
        EXPECT_EQ(r.step, LDC_STEP_CONNECT) << ssl << r.diagnostic;
        EXPECT_EQ(r.reason, LDC_REASON_SERVER_DOWN) << ssl << r.diagnostic;
        EXPECT_EQ(ldapPasswordEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword, "New-Pass-9"), LDC_E_OLD_PASSWORD);
        EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_SERVER_DOWN) << ssl;
        LDC_setmbFlags(&posix, LDC_MB_POSIX | LDC_MB_ANONYMOUS);
        EXPECT_EQ(ldap_verifyConfigEx(&posix), kServerDown);
        EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_CONNECT) << ssl;
        EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_SERVER_DOWN) << ssl;
    }
}

TEST_F(Reasons, EmptyHostListIsTold) {
    LDC_setHostNamesEx(&posix, "");
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PLAIN_INIT);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_CONNECT);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_NO_HOST);
}

TEST_F(Reasons, SilentServerIsATimeout) {
    SeamGuard seams;
    qor::set_session_limits_for_testing(qor_test::quick_session_limits());
    // Listening, so connects succeed, but nothing ever reads a request.
    int port = 0;
    int fd = qor_test::bound_loopback_socket(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(listen(fd, 4), 0);
    LDC_setPortEx(&posix, port);
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PASSWORD_REFUSED);
    close(fd);
    EXPECT_EQ(LDC_lastResultEx(), kTimeout);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TIMEOUT);
}

TEST_F(Reasons, UntrustedCertificateIsTold) {
    // The process's CA becomes one that did not sign the server's
    // certificate (libldap's global option, which each session copies).
    ASSERT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, "/etc/ssl/certs/ca-certificates.crt"),
              LDAP_OPT_SUCCESS);
    LDC_setPortEx(&posix, dir->ldaps_port());
    LDC_setSslEx(&posix, 1);
    EXPECT_EQ(ldap_verifyPasswdEx(&posix, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PASSWORD_REFUSED);
    Record r = last_record();
    EXPECT_EQ(r.step, LDC_STEP_TLS) << r.diagnostic;
    EXPECT_EQ(r.reason, LDC_REASON_TLS_CERTIFICATE) << r.diagnostic;
    std::string ca = dir->cacert();
    ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, ca.c_str());
}

TEST_F(Reasons, TwoThreadsFailingDifferentlyReadTheirOwnReason) {
    std::mutex m;
    std::condition_variable cv;
    int done = 0;
    auto run = [&](const char *user, const char *password, int32_t *reason) {
        LDAP_Config r = posix;
        ldap_verifyPasswdEx(&r, user, password);
        std::unique_lock<std::mutex> lock(m);
        ++done;
        cv.notify_all();
        cv.wait(lock, [&] { return done == 2; });  // both calls made before either reads
        *reason = LDC_lastReasonEx();
    };
    int32_t expired = -1, wrong = -1;
    std::thread a(run, "ppexpired", kPolicyPassword, &expired);
    std::thread b(run, "jdoe", "wrong-guess-3", &wrong);
    a.join();
    b.join();
    EXPECT_EQ(expired, LDC_REASON_PASSWORD_EXPIRED);
    EXPECT_EQ(wrong, LDC_REASON_INVALID_CREDENTIALS);
}

TEST_F(Reasons, RecordNeverHoldsThePasswordGiven) {
    const char *secret = "Never-7";  // too short for the quality policy: the change is refused
    char text[1024];
    // A user string that is the password itself, as a person may type it.
    for (const char *user : {"jdoe", secret}) {
        ldap_verifyPasswdEx(&posix, user, secret);
        ASSERT_EQ(LDC_lastDiagnosticEx(text, sizeof text), 1);
        EXPECT_EQ(std::string(text).find(secret), std::string::npos);
    }
    ldapPasswordEx(&posix, "ppquality", kPolicyPassword, secret);
    ASSERT_EQ(LDC_lastDiagnosticEx(text, sizeof text), 1);
    EXPECT_EQ(std::string(text).find(secret), std::string::npos);
    EXPECT_EQ(std::string(text).find(kPolicyPassword), std::string::npos);
}

}  // namespace
