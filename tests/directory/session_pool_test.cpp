// Kept connections of the password check, against a directory of these
// tests' own: they restart it, and it closes connections idle for 1 s.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "directory/directory_session.h"
#include "fake_directory.h"
#include "net_faults.h"
#include "qorldap9.h"
#include "seam_guard.h"
#include "test_directory.h"

namespace {

using qor_test::TestDirectory;
using namespace std::chrono_literals;

struct Account {
    const char *user;
    const char *password;
    int flags;
};

// Four entries under two naming rules, all on sessions of one key.
const Account kAccounts[] = {{"jdoe", TestDirectory::kPosixJdoePassword, LDC_MB_POSIX},
                             {"asmith", TestDirectory::kPosixAsmithPassword, LDC_MB_POSIX},
                             {"jdoe", TestDirectory::kAdJdoePassword, LDC_MB_AD},
                             {"asmith", TestDirectory::kAdAsmithPassword, LDC_MB_AD}};

class KeptSessions : public ::testing::Test {
  protected:
    SeamGuard seams_;
    const TestDirectory *dir = nullptr;

    void SetUp() override {
        QOR_REQUIRE_SLAPD(d);
        dir = d;
        keep(qor::KeepPolicy{});  // whatever the environment says
    }
    static void keep(const qor::KeepPolicy &policy) {
        qor::SessionLimits limits = qor_test::quick_session_limits();
        limits.keep = policy;
        qor::set_session_limits_for_testing(limits);
    }

    LDAP_Config profile(int flags = LDC_MB_POSIX, bool ssl = false) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        std::string hosts = dir->host() + ":" + std::to_string(ssl ? dir->ldaps_port() : dir->ldap_port());
        LDC_setHostNamesEx(&r, hosts.c_str());
        std::string base = dir->base();
        LDC_setBaseDNEx(&r, base.c_str());
        LDC_setmbFlags(&r, flags);
        LDC_setSslEx(&r, ssl ? 1 : 0);
        LDC_setVersionEx(&r, 3);
        return r;
    }

    // Connections the server accepted while work ran.
    long opened_by(const std::function<void()> &work) const {
        long before = dir->total_connections();
        work();
        long after = dir->total_connections();
        return before < 0 || after < 0 ? -1 : after - before - 1;  // without the query's own
    }

    // Right checks on r; returns how many did not verify.
    static int right_checks(LDAP_Config &r, int count) {
        int refused = 0;
        for (int i = 0; i < count; ++i)
            refused += ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword) != 0;
        return refused;
    }

    bool restart_server() const {
        std::string cmd = std::string("sh '") + QOR_SLAPD_SCRIPT + "' restart '" + dir->get("SLAPD_DIR") + "'";
        return std::system(cmd.c_str()) == 0;
    }
};

TEST_F(KeptSessions, ThousandChecksUseOneConnection) {
    LDAP_Config r = profile();
    int refused = -1;
    EXPECT_EQ(opened_by([&] { refused = right_checks(r, 1000); }), 1);
    EXPECT_EQ(refused, 0);
}

TEST_F(KeptSessions, LdapsConnectionIsKeptUntilTheCaFileChanges) {
    LDAP_Config r = profile(LDC_MB_POSIX, true);
    int refused = -1;
    EXPECT_EQ(opened_by([&] { refused = right_checks(r, 50); }), 1);
    EXPECT_EQ(refused, 0);
    std::string ca = dir->cacert();
    struct stat st;
    ASSERT_EQ(stat(ca.c_str(), &st), 0);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 10;
    ASSERT_EQ(utimensat(AT_FDCWD, ca.c_str(), times, 0), 0);
    EXPECT_EQ(opened_by([&] { refused = right_checks(r, 5); }), 1);
    EXPECT_EQ(refused, 0);
}

TEST_F(KeptSessions, ServerRestartBetweenTwoChecks) {
    LDAP_Config r = profile();
    ASSERT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    ASSERT_TRUE(restart_server());
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "wrong"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(KeptSessions, ServerClosingAnIdleConnection) {
    LDAP_Config r = profile();
    ASSERT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    auto give_up = std::chrono::steady_clock::now() + 15s;
    while (dir->connections_from_this_process() != 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(100ms);
    ASSERT_EQ(dir->connections_from_this_process(), 0) << "the server did not close the idle connection";
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "wrong"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(KeptSessions, BindUnansweredOnAKeptConnectionIsNotSentToAnotherHost) {
    // The proxy passes each connection's first answer at once and holds
    // back the later ones beyond the bind deadline.
    qor_test::SlowProxy slow(dir->ldap_port(), 5000ms, 1);
    LDAP_Config r = profile();
    std::string hosts = slow.entry() + " " + dir->host() + ":" + std::to_string(dir->ldap_port());
    LDC_setHostNamesEx(&r, hosts.c_str());
    LDC_setTimeoutEx(&r, 1);
    ASSERT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    int rc = -1;
    EXPECT_EQ(opened_by([&] { rc = ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword); }), 0);
    EXPECT_EQ(rc, LDC_E_PASSWORD_REFUSED);  // the server may have acted: its verdict is unknown
}

// A server that reads the second bind of each connection and closes it
// unanswered: that bind may have counted, so it is a refusal and never
// sent again. Five checks reach the server as five binds (seven when the
// bind was sent again on a fresh connection).
TEST_F(KeptSessions, BindReadAndDroppedOnAKeptConnectionIsNeverSentAgain) {
    qor_test::FakeDirectory closing;
    ASSERT_TRUE(closing.ready());
    closing.close_after_binds(1);
    LDAP_Config r = profile();
    LDC_setHostNamesEx(&r, closing.hosts().c_str());
    std::vector<int> verdicts;
    for (int i = 0; i < 5; ++i) verdicts.push_back(ldap_verifyPasswdEx(&r, "jdoe", "any"));
    const int refused = LDC_E_PASSWORD_REFUSED;
    EXPECT_EQ(verdicts, (std::vector<int>{0, refused, 0, refused, 0}));
    EXPECT_EQ(closing.binds(), 5);
    EXPECT_EQ(closing.connections(), 3);
}

TEST_F(KeptSessions, ChildOfForkOpensItsOwnAndLeavesTheParentsAlone) {
    LDAP_Config r = profile();
    ASSERT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    int child_status = -1, parent_refused = -1;
    // One for the child; the parent's kept one serves it again after the
    // child's exit, whose clean-up runs.
    EXPECT_EQ(opened_by([&] {
                  pid_t pid = fork();
                  if (pid == 0)
                      std::exit(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword) == 0 ? 0 : 1);
                  waitpid(pid, &child_status, 0);
                  parent_refused = right_checks(r, 1);
              }),
              1);
    EXPECT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);
    EXPECT_EQ(parent_refused, 0);
}

// Eight threads, each checking right and wrong passwords of the four
// accounts in turn; returns the wrong verdicts of each thread.
std::vector<int> eight_threads_check(const std::function<LDAP_Config(int flags)> &profile, int checks) {
    std::vector<std::thread> threads;
    std::vector<int> wrong_verdicts(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < checks; ++i) {
                const Account &a = kAccounts[(t + i) % 4];
                LDAP_Config r = profile(a.flags);
                bool right = (i / 4 + t) % 2 == 0;
                int rc = ldap_verifyPasswdEx(&r, a.user, right ? a.password : "Not-The-Password");
                wrong_verdicts[t] += rc != (right ? 0 : LDC_E_PASSWORD_REFUSED);
            }
        });
    }
    for (std::thread &t : threads) t.join();
    return wrong_verdicts;
}

TEST_F(KeptSessions, EightThreadsMixRightAndWrongPasswords) {
    std::vector<int> wrong_verdicts = eight_threads_check([&](int flags) { return profile(flags); }, 100);
    for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong_verdicts[t], 0) << "thread " << t;
    int open = dir->connections_from_this_process();
    EXPECT_GE(open, 1);
    EXPECT_LE(open, 8);  // never more than were in use at once
}

TEST_F(KeptSessions, IdleConnectionsStayUnderTheCap) {
    qor::KeepPolicy policy;
    policy.idle_per_key = 2;
    keep(policy);
    std::vector<int> wrong_verdicts = eight_threads_check([&](int flags) { return profile(flags); }, 20);
    for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong_verdicts[t], 0) << "thread " << t;
    EXPECT_LE(dir->connections_from_this_process(), 2);
}

TEST_F(KeptSessions, ConnectionIdleLongerThanTheLimitIsClosed) {
    qor::KeepPolicy policy;
    policy.idle_limit = 50ms;
    policy.sweep_interval = 10ms;
    keep(policy);
    LDAP_Config r = profile();
    EXPECT_EQ(opened_by([&] { right_checks(r, 2); }), 1);
    std::this_thread::sleep_for(100ms);
    int refused = -1;
    EXPECT_EQ(opened_by([&] { refused = right_checks(r, 1); }), 1);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(dir->connections_from_this_process(), 1);  // the expired one was closed
}

TEST_F(KeptSessions, EnvironmentTurnsKeepingOff) {
    setenv("QORLDAP9_KEEP_CONNECTIONS", "0", 1);
    qor::set_session_limits_for_testing(qor::default_session_limits());
    unsetenv("QORLDAP9_KEEP_CONNECTIONS");
    LDAP_Config r = profile();
    int refused = -1;
    EXPECT_EQ(opened_by([&] { refused = right_checks(r, 20); }), 20);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}

}  // namespace
