// Checks and changes through a profile that lists two servers replicating
// each other, while one of them is killed: no wrong verdict, no change
// that answered 0 lost on the survivor, and failover within the connect
// deadline; the same through a slow and faulty network, with the killed
// server restarted.
#include <gtest/gtest.h>
#include <signal.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "deep_base.h"
#include "net_faults.h"
#include "directory/directory_session.h"
#include "qorldap9.h"
#include "seam_guard.h"
#include "test_directory.h"

using qor_test::TestDirectory;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The connect deadline, and room for a busy machine.
constexpr auto kFailoverBound = std::chrono::seconds(3);
constexpr auto kReplicationWait = std::chrono::seconds(10);

// Whether dn binds with password on the server at uri within the time
// replication takes.
bool binds_soon(const std::string &uri, const std::string &dn, const std::string &password) {
    auto until = Clock::now() + kReplicationWait;
    while (qor_test::simple_bind(uri, dn, password) != LDAP_SUCCESS) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
}

void kill_and_wait(pid_t pid) {
    kill(pid, SIGKILL);
    std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    for (int i = 0; i < 500 && access(stat.c_str(), F_OK) == 0; ++i) {
        std::ifstream in(stat);
        std::string line;
        std::getline(in, line);
        if (line.find(") Z") != std::string::npos) break;  // a zombie serves nobody
        std::this_thread::sleep_for(milliseconds(10));
    }
}

class Replicas : public ::testing::Test {
  protected:
    const TestDirectory *dir = nullptr;
    std::string a, b;  // the servers' URIs; b survives

    void SetUp() override {
        QOR_REQUIRE_SLAPD(d);
        dir = d;
        a = dir->get("A_LDAP_URI");
        b = dir->get("B_LDAP_URI");
        ASSERT_FALSE(b.empty());
        // The test before may have killed server a.
        if (qor_test::simple_bind(a, dir->rootdn(), dir->rootpw()) != LDAP_SUCCESS) {
            ASSERT_TRUE(restart_a());
        }
    }

    pid_t a_pid() const {
        std::ifstream in(dir->get("A_SLAPD_DIR") + "/slapd.pid");
        int pid = 0;
        in >> pid;
        return static_cast<pid_t>(pid);
    }

    bool restart_a() const {
        std::string cmd = std::string("sh '") + QOR_SLAPD_SCRIPT + "' restart '" + dir->get("A_SLAPD_DIR") + "'";
        return std::system(cmd.c_str()) == 0;
    }

    LDAP_Config profile(const std::string &hosts) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        LDC_setHostNamesEx(&r, hosts.c_str());
        LDC_setBaseDNEx(&r, dir->base().c_str());
        LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
        return r;
    }

    // A user of the test's own, on both servers, with password.
    std::string user(const std::string &uid, const std::string &password) {
        const std::string dn = "uid=" + uid + ",ou=people," + dir->base();
        EXPECT_TRUE(qor_test::directory_user(*dir, dir->base(), uid, password));  // on server a
        EXPECT_TRUE(binds_soon(b, dn, password)) << "the servers do not replicate";
        return dn;
    }
};

}  // namespace

TEST_F(Replicas, ChecksAndChangesGoOnWhenOneServerDies) {
    const pid_t pid = a_pid();
    ASSERT_GT(pid, 0);
    std::string current = "Replica-0";
    const std::string dn = user("replica1", current);
    ASSERT_FALSE(HasFailure());
    LDAP_Config r = profile("127.0.0.1:" + dir->get("A_LDAP_PORT") + " 127.0.0.1:" + dir->get("B_LDAP_PORT"));
    LDC_setTimeoutEx(&r, 5);

    for (int i = 0; i < 30 && !HasFailure(); ++i) {
        if (i == 10) kill_and_wait(pid);
        auto start = Clock::now();
        EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0)
            << i << " step " << LDC_lastStepEx() << " result " << LDC_lastResultEx();
        EXPECT_LE(Clock::now() - start, kFailoverBound) << i;
        EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Secret124"), LDC_E_PASSWORD_REFUSED) << i;
        std::string next = "Replica-" + std::to_string(i + 1);
        int rc = ldapPasswordEx(&r, "replica1", current.c_str(), next.c_str());
        if (rc == 0) {
            current = next;
            // Every change that answered 0 reaches the server that survives.
            EXPECT_TRUE(binds_soon(b, dn, current)) << i;
        } else {
            EXPECT_EQ(rc, LDC_E_CHANGE_FAILED) << i;
            EXPECT_TRUE(binds_soon(b, dn, current)) << "a refused change changed the password " << i;
        }
    }
    EXPECT_EQ(qor_test::simple_bind(b, dn, current), LDAP_SUCCESS);
    EXPECT_NE(qor_test::simple_bind(a, dn, current), LDAP_SUCCESS);  // it is gone
}

namespace {

// The network in front of each server: 40 ms +- 20 ms each way, answers
// in 1-byte writes, a request cut by a reset one time in 20, and one chunk
// in 12 stalled for 1-5 s scaled down tenfold, as the session limits are
// (faulty_limits).
qor_test::NetFaults faulty_network() {
    qor_test::NetFaults f;
    f.request_delay = f.answer_delay = milliseconds(40);
    f.jitter = milliseconds(20);
    f.answers_byte_by_byte = true;
    f.reset_one_in = 20;
    f.stall_one_in = 12;
    f.stall_min = milliseconds(100);
    f.stall_max = milliseconds(500);
    return f;
}

constexpr int kRounds = 30;  // each a right check, a wrong one and a change
constexpr auto kLoopBudget = std::chrono::seconds(60);
constexpr int kProfileTimeout = 0;  // the profile's Timeout: no server-side limit

// The session limits scaled down as the stalls are: a stall of more than
// about 200 ms makes a request miss its deadline.
qor::SessionLimits faulty_limits() {
    qor::SessionLimits limits = qor_test::quick_session_limits();
    limits.bind = limits.request_default = milliseconds(300);
    limits.dead_host_memory = milliseconds(1000);
    return limits;
}

constexpr int kHosts = 2;
constexpr auto kSlack = std::chrono::seconds(1);  // a busy machine

// How long a check and a change may take under limits, for a profile
// with kProfileTimeout.
struct Bounds {
    milliseconds check, change;
    explicit Bounds(const qor::SessionLimits &limits) {
        const milliseconds request = qor::request_deadline(limits, kProfileTimeout);
        // A check: on each host a kept session's bind, then a fresh
        // session's connect and bind.
        check = kHosts * (limits.connect + 2 * limits.bind) + kSlack;
        // A change: the check of the old password; on each host a fresh
        // session's connect, bind and modify (waited for the longer of the
        // request deadline and the change's own); a settling bind on each host.
        const milliseconds modify = std::max(request, limits.outstanding_change);
        change = check + kHosts * (limits.connect + limits.bind + modify) + kHosts * (limits.connect + limits.bind);
    }
};

bool unanswered_reason(int reason) { return reason == LDC_REASON_TIMEOUT || reason == LDC_REASON_SERVER_DOWN; }

struct Tally {
    int operations = 0, right = 0, refused_unanswered = 0, wrong_verdicts = 0;
    int changes_made = 0, verified_on_survivor = 0, changes_refused = 0, refused_yet_applied = 0;
};

}  // namespace

TEST_F(Replicas, ChecksAndChangesThroughASlowAndFaultyNetwork) {
    SeamGuard seams;
    qor::set_session_limits_for_testing(faulty_limits());
    qor_test::SlowProxy to_a(std::atoi(dir->get("A_LDAP_PORT").c_str()), faulty_network());
    qor_test::SlowProxy to_b(std::atoi(dir->get("B_LDAP_PORT").c_str()), faulty_network());
    LDAP_Config r = profile(to_a.entry() + " " + to_b.entry());
    LDC_setTimeoutEx(&r, kProfileTimeout);
    std::string current = "Faulty-0";
    const std::string dn = user("replica2", current);
    ASSERT_FALSE(HasFailure());
    bool a_alive = true;
    const Bounds bounds(qor::session_limits());
    Tally n;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds && Clock::now() - start < kLoopBudget && !HasFailure(); ++i) {
        if (i == kRounds / 3) {
            kill_and_wait(a_pid());
            a_alive = false;
        }
        if (i == 2 * kRounds / 3) {
            ASSERT_TRUE(restart_a());
            ASSERT_TRUE(binds_soon(a, dn, current)) << "server a did not catch up";
            a_alive = true;
        }
        for (bool right : {true, false}) {
            auto began = Clock::now();
            int rc = ldap_verifyPasswdEx(&r, "jdoe", right ? TestDirectory::kPosixJdoePassword : "Secret124");
            EXPECT_LE(Clock::now() - began, bounds.check) << i;
            ++n.operations;
            // A right password may go unverified when no server answered,
            // never refused by an answer; a wrong one never verifies.
            bool excused = right && rc == LDC_E_PASSWORD_REFUSED && unanswered_reason(LDC_lastReasonEx());
            n.refused_unanswered += excused;
            n.right += right && rc == 0;
            n.wrong_verdicts += rc != (right ? 0 : LDC_E_PASSWORD_REFUSED) && !excused;
        }
        std::string next = "Faulty-" + std::to_string(i + 1);
        auto began = Clock::now();
        int rc = ldapPasswordEx(&r, "replica2", current.c_str(), next.c_str());
        EXPECT_LE(Clock::now() - began, bounds.change) << i;
        ++n.operations;
        if (rc == 0) {
            ++n.changes_made;
            // Every change that answered 0 is readable on the survivor.
            bool readable = binds_soon(b, dn, next);
            EXPECT_TRUE(readable) << i;
            n.verified_on_survivor += readable;
            current = next;
            continue;
        }
        ++n.changes_refused;
        // A request held by the proxy reaches its server by then.
        const qor_test::NetFaults f = faulty_network();
        std::this_thread::sleep_for(f.stall_max + 2 * (f.request_delay + f.jitter));
        const int reason = LDC_lastReasonEx();
        bool applied = qor_test::simple_bind(b, dn, next) == LDAP_SUCCESS ||
                       (a_alive && qor_test::simple_bind(a, dn, next) == LDAP_SUCCESS);
        if (applied) current = next;
        if (applied && reason != LDC_REASON_OUTCOME_UNKNOWN) {
            std::printf("round %d: a change answered %d (reason %d) that the directory applied\n", i, rc, reason);
            ++n.refused_yet_applied;
        }
    }
    EXPECT_EQ(n.wrong_verdicts, 0);
    // No change answered refused that the directory applied: one that
    // may yet be applied is answered with its outcome unknown.
    EXPECT_EQ(n.refused_yet_applied, 0);
    EXPECT_EQ(qor_test::simple_bind(b, dn, current), LDAP_SUCCESS);
    auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    std::printf(
        "faulty network: %d operations in %lld ms: %d right checks verified, %d unanswered, %d wrong verdicts; "
        "%d changes made, %d readable on the survivor, %d refused (%d of them applied); %d resets, %d stalls\n",
        n.operations, static_cast<long long>(took.count()), n.right, n.refused_unanswered, n.wrong_verdicts,
        n.changes_made, n.verified_on_survivor, n.changes_refused, n.refused_yet_applied, to_a.resets() + to_b.resets(),
        to_a.stalls() + to_b.stalls());
}
