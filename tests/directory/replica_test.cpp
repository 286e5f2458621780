// Checks and changes through a profile that lists two servers replicating
// each other, while one of them is killed: no wrong verdict, no change
// that answered 0 lost on the survivor, and failover within the connect
// deadline.
#include <gtest/gtest.h>
#include <signal.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "deep_base.h"
#include "qorldap9.h"
#include "test_directory.h"

using qor_test::TestDirectory;
using Clock = std::chrono::steady_clock;

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
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

TEST(Replicas, ChecksAndChangesGoOnWhenOneServerDies) {
    QOR_REQUIRE_SLAPD(dir);
    const std::string a = dir->get("A_LDAP_URI"), b = dir->get("B_LDAP_URI");
    const pid_t a_pid = static_cast<pid_t>(std::atoi(dir->get("A_SLAPD_PID").c_str()));
    ASSERT_FALSE(b.empty());
    ASSERT_GT(a_pid, 0);
    const std::string dn = "uid=replica1,ou=people," + dir->base();
    std::string current = "Replica-0";
    ASSERT_TRUE(qor_test::directory_user(*dir, dir->base(), "replica1", current));  // on server a
    ASSERT_TRUE(binds_soon(b, dn, current)) << "the servers do not replicate";

    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    std::string hosts = "127.0.0.1:" + dir->get("A_LDAP_PORT") + " 127.0.0.1:" + dir->get("B_LDAP_PORT");
    LDC_setHostNamesEx(&r, hosts.c_str());
    LDC_setBaseDNEx(&r, dir->base().c_str());
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    LDC_setTimeoutEx(&r, 5);

    for (int i = 0; i < 30 && !HasFailure(); ++i) {
        if (i == 10) kill_and_wait(a_pid);
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
