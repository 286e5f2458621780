// Password checks and changes against directories that answer slowly or
// not at all: deadlines that follow the profile and the session limits
// (shortened to milliseconds here), failover past hosts that accept and
// never answer, and hosts that failed remembered for a while.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "deep_base.h"
#include "net_faults.h"
#include "qorldap9.h"
#include "seam_guard.h"
#include "test_directory.h"

using qor_test::HungHost;
using qor_test::kSlowAnswer;
using qor_test::SlowProxy;
using qor_test::TestDirectory;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

class SlowHosts : public ::testing::Test {
  protected:
    SeamGuard seams_;
    qor::SessionLimits limits = qor_test::quick_session_limits();
    const TestDirectory *dir = nullptr;
    void SetUp() override {
        QOR_REQUIRE_SLAPD(slapd);
        dir = slapd;
        qor::set_session_limits_for_testing(limits);
    }
    std::string live(bool ssl = false) const {
        return "127.0.0.1:" + std::to_string(ssl ? dir->ldaps_port() : dir->ldap_port());
    }
    LDAP_Config profile(const std::string &hosts, int timeout, bool ssl = false) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        LDC_setHostNamesEx(&r, hosts.c_str());
        LDC_setBaseDNEx(&r, dir->base().c_str());
        LDC_setmbFlags(&r, LDC_MB_POSIX);
        LDC_setTimeoutEx(&r, timeout);
        LDC_setSslEx(&r, ssl ? 1 : 0);
        return r;
    }
};

}  // namespace

TEST_F(SlowHosts, AnswerSlowerThanTheConnectDeadlineIsWaitedFor) {
    ASSERT_GT(kSlowAnswer, limits.connect);
    // The proxy holds back each piece of an answer, and a search's entry and
    // its end may come as two: answers get room for several such waits,
    // which a passing run never uses up.
    qor::SessionLimits roomy = limits;
    roomy.bind = roomy.request_default = 8 * kSlowAnswer;
    qor::set_session_limits_for_testing(roomy);
    SlowProxy slow(dir->ldap_port(), kSlowAnswer);
    LDAP_Config r = profile(slow.entry(), 0);  // no limit
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    // The caller's own session follows the same deadline.
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    LDC_setBindDNEx(&r, dir->rootdn().c_str());
    LDC_setBindPwdEx(&r, dir->rootpw().c_str());
    EXPECT_EQ(ldap_validateSchema(&r), 0);
}

TEST_F(SlowHosts, ChangeWhoseAnswerNeverCameIsSettledAndTheProfileFollows) {
    ASSERT_TRUE(qor_test::directory_user(*dir, dir->base(), "slowchange", "Slow-Old-1"));
    // The bind and the root DSE's list of operations are answered at once;
    // the change's answer comes after the request deadline of a profile
    // whose Timeout is 0 (no limit).
    qor_test::NetFaults faults;
    faults.answer_delay = milliseconds(5000);
    faults.skip_answers = 2;
    faults.skip_answers_by_request = true;
    SlowProxy slow(dir->ldap_port(), faults);
    LDAP_Config r = profile(slow.entry(), 0);
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    std::string dn = "uid=slowchange,ou=people," + dir->base();
    LDC_setBindDNEx(&r, dn.c_str());
    LDC_setBindPwdEx(&r, "Slow-Old-1");
    EXPECT_EQ(ldapPasswordEx(&r, "slowchange", "Slow-Old-1", "Slow-New-2"), 0);
    EXPECT_STREQ(r.BindPwd, "Slow-New-2");
    LDAP_Config direct = r;
    std::string hosts = live();
    LDC_setHostNamesEx(&direct, hosts.c_str());
    EXPECT_EQ(ldap_verifyConfigEx(&direct), 0);
}

// The modify request itself is held on its way (the bind and the root
// DSE pass at once): past the request deadline but within the change's
// own bound its answer is waited for; past both, the change may still
// reach the directory and is told unknown, never refused.
TEST_F(SlowHosts, ChangeHeldOnItsWayIsWaitedForOrToldUnknown) {
    limits.request_default = milliseconds(300);
    limits.outstanding_change = milliseconds(950);
    qor::set_session_limits_for_testing(limits);
    struct Row {
        const char *user;
        milliseconds held;
        int rc, reason;
    } rows[] = {{"heldchange", milliseconds(650), 0, LDC_REASON_NONE},
                {"lostchange", milliseconds(5000), LDC_E_CHANGE_FAILED, LDC_REASON_OUTCOME_UNKNOWN}};
    for (const Row &row : rows) {
        ASSERT_TRUE(qor_test::directory_user(*dir, dir->base(), row.user, "Held-Old-1"));
        qor_test::NetFaults faults;
        faults.request_delay = row.held;
        faults.skip_requests = 2;
        SlowProxy slow(dir->ldap_port(), faults);
        LDAP_Config r = profile(slow.entry(), 0);
        EXPECT_EQ(ldapPasswordEx(&r, row.user, "Held-Old-1", "Held-New-2"), row.rc) << row.user;
        EXPECT_EQ(LDC_lastReasonEx(), row.reason) << row.user;
    }
    char text[64];
    ASSERT_EQ(LDC_codeTextEx(LDC_TEXT_REASON, LDC_REASON_OUTCOME_UNKNOWN, 0, text, sizeof text), 1);
    EXPECT_STREQ(text, "the change's outcome is unknown");
}

TEST_F(SlowHosts, HostThatNeverAnswersIsPassedOver) {
    for (bool ssl : {false, true}) {
        HungHost hung;
        LDAP_Config r = profile(hung.entry() + " " + live(ssl), 1, ssl);
        EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0) << ssl;
    }
}

TEST_F(SlowHosts, HostThatDidNotAnswerIsTriedAfterTheOthers) {
    limits.dead_host_memory = milliseconds(400);
    qor::set_session_limits_for_testing(limits);
    HungHost hung;
    LDAP_Config r = profile(hung.entry() + " " + live(), 1);
    ASSERT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(hung.connections(), 1);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "wrong"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(hung.connections(), 0);
    // Once the memory has passed, the host gets its turn again.
    std::this_thread::sleep_for(limits.dead_host_memory);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(hung.connections(), 1);
}

// Timeout 0 sets no limit on searches; the bind's own deadline still
// passes a silent first host over.
TEST_F(SlowHosts, HungFirstHostIsPassedOverWithinTheBindDeadline) {
    limits.bind = milliseconds(300);
    limits.request_default = milliseconds(5000);  // what a search without a limit may wait
    qor::set_session_limits_for_testing(limits);
    HungHost hung;
    LDAP_Config r = profile(hung.entry() + " " + live(), 0);
    auto start = Clock::now();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    auto took = Clock::now() - start;
    EXPECT_EQ(hung.connections(), 1);
    EXPECT_GE(took, limits.bind);
    EXPECT_LT(took, limits.bind + milliseconds(500));
}
