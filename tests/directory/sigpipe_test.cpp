// A session to a peer that has gone must not kill the calling process
// with SIGPIPE, and the process's own signal setup must stay as it was.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "directory_profile.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "test_directory.h"

using qor_test::ClosedPort;
using qor_test::profile_for;

namespace {

bool sigpipe_blocked() {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGPIPE) == 1;
}

bool sigpipe_pending() {
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGPIPE) == 1;
}

// A peer that takes each connection, reads what arrives and hangs up:
// the client's next writes go to a closed connection.
class HangingUpPeer {
  public:
    HangingUpPeer() {
        fd_ = qor_test::bound_loopback_socket(port_);
        if (fd_ < 0 || listen(fd_, 8) != 0) {
            port_ = 0;
            return;
        }
        thread_ = std::thread([this] {
            for (;;) {
                int c = accept(fd_, nullptr, nullptr);
                if (c < 0) return;
                char buf[4096];
                ssize_t n = read(c, buf, sizeof buf);
                (void)n;
                close(c);
                if (stopping_) return;
            }
        });
    }
    ~HangingUpPeer() {
        if (thread_.joinable()) {
            stopping_ = true;  // then wakes the accept up
            int c = socket(AF_INET, SOCK_STREAM, 0);
            struct sockaddr_in a = {};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<uint16_t>(port_));
            connect(c, reinterpret_cast<struct sockaddr *>(&a), sizeof a);
            close(c);
            thread_.join();
        }
        if (fd_ >= 0) close(fd_);
    }
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace

TEST(Sigpipe, APeerThatHangsUpDoesNotEndTheProcess) {
    QOR_REQUIRE_SLAPD(dir);
    HangingUpPeer peer;
    ASSERT_NE(peer.port(), 0);
    LDAP_Config r = profile_for(*dir, 0x21);
    LDC_setPortEx(&r, peer.port());
    LDC_setBindDNEx(&r, "jdoe");
    LDC_setBindPwdEx(&r, "x");
    for (int ssl : {0, 1}) {
        LDC_setSslEx(&r, ssl);
        LDAP *ld = nullptr;
        ASSERT_EQ(ldapInitEx(&ld, &r), 0);
        EXPECT_EQ(ldapAuthEx(ld, &r), 81) << ssl;
        // The session is dead; asking again writes to the closed socket.
        EXPECT_NE(ldapAuthEx(ld, &r), 0) << ssl;
        ldap_unbind_ext(ld, nullptr, nullptr);
        EXPECT_EQ(ldap_validateSchema(&r), 81) << ssl;
    }
    EXPECT_FALSE(sigpipe_pending());
}

TEST(Sigpipe, SslToAClosedPortFailsWithoutTheSignal) {
    QOR_REQUIRE_SLAPD(dir);
    struct sigaction before;
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &before), 0);
    ASSERT_EQ(before.sa_handler, SIG_DFL);  // the signal would end this program
    ClosedPort dead;
    LDAP_Config r = profile_for(*dir, 0x11);
    LDC_setSslEx(&r, 1);
    LDC_setPortEx(&r, dead.port());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ldap_verifyConfigEx(&r), 81);
        EXPECT_EQ(ldap_validateSchema(&r), 81);
    }
    struct sigaction after;
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
    EXPECT_FALSE(sigpipe_blocked());
    EXPECT_FALSE(sigpipe_pending());
}

TEST(Sigpipe, ACallersBlockedMaskIsKept) {
    QOR_REQUIRE_SLAPD(dir);
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGPIPE);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &block, &old), 0);
    ClosedPort dead;
    LDAP_Config r = profile_for(*dir, 0x11);
    LDC_setSslEx(&r, 1);
    LDC_setPortEx(&r, dead.port());
    EXPECT_EQ(ldap_verifyConfigEx(&r), 81);
    EXPECT_TRUE(sigpipe_blocked());
    EXPECT_FALSE(sigpipe_pending());
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// The server drops a session whose TLS stream it cannot read; the
// client's next request and its closing alert go to a dead connection.
TEST(Sigpipe, ASessionTheServerDroppedDoesNotEndTheProcess) {
    QOR_REQUIRE_SLAPD(dir);
    for (int ssl : {1, 0}) {
        LDAP_Config r = profile_for(*dir, 0x11);
        if (ssl) LDC_setPortEx(&r, dir->ldaps_port());
        LDC_setSslEx(&r, ssl);
        LDAP *ld = nullptr;
        ASSERT_EQ(ldapInitEx(&ld, &r), 0);
        ASSERT_EQ(ldapAuthEx(ld, &r), 0);
        int fd = -1;
        ASSERT_EQ(ldap_get_option(ld, LDAP_OPT_DESC, &fd), LDAP_OPT_SUCCESS);
        const char garbage[] = "\xff\xff\xff\xff\xff\xff\xff\xff";
        ASSERT_EQ(write(fd, garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));
        struct pollfd p = {fd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 10000), 1);  // the server has hung up
        for (int i = 0; i < 3; ++i) EXPECT_NE(ldapAuthEx(ld, &r), 0) << ssl;
        qor::platform::unbind(ld);
    }
    EXPECT_FALSE(sigpipe_pending());
}
