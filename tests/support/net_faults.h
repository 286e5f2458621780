// Loopback ports and servers that misbehave, for the failover, deadline
// and no-contact tests: a host that accepts connections and never
// answers, and a proxy in front of a real server that holds back its
// answers.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qor_test {

// A TCP socket bound to a free loopback port, or -1.
inline int bound_loopback_socket(int &port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd >= 0 && bind(fd, reinterpret_cast<struct sockaddr *>(&a), len) == 0 &&
        getsockname(fd, reinterpret_cast<struct sockaddr *>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
        return fd;
    }
    if (fd >= 0) close(fd);
    return -1;
}

// A loopback TCP socket listening on a free port, or -1.
inline int loopback_listener(int &port) {
    int fd = bound_loopback_socket(port);
    if (fd >= 0 && listen(fd, 64) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

// Accepts connections (the kernel completes them) and never reads or
// answers: a hung server.
class HungHost {
  public:
    HungHost() : fd_(loopback_listener(port_)) {}
    ~HungHost() {
        for (int c : held_) close(c);
        if (fd_ >= 0) close(fd_);
    }
    HungHost(const HungHost &) = delete;
    HungHost &operator=(const HungHost &) = delete;
    std::string entry() const { return "127.0.0.1:" + std::to_string(port_); }
    // Connections made to it since the last call.
    int connections() {
        int n = 0;
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, 0) == 1) {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) break;
            held_.push_back(c);  // kept open, so the client still sees no answer
            ++n;
        }
        return n;
    }

  private:
    int port_ = 0;
    int fd_ = -1;
    std::vector<int> held_;
};

// Forwards connections to a server on loopback; the server's answers
// reach the client delay later, except the first skip of each connection
// (a bind's answer, say), which pass at once. Requests pass at once, so
// the server acts on them whatever the client makes of the wait.
class SlowProxy {
  public:
    SlowProxy(int server_port, std::chrono::milliseconds delay, int skip = 0)
        : server_port_(server_port), delay_(delay), skip_(skip), fd_(loopback_listener(port_)) {
        if (fd_ >= 0) acceptor_ = std::thread([this] { accept_loop(); });
    }
    ~SlowProxy() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
        if (acceptor_.joinable()) acceptor_.join();
        for (std::thread &t : pipes_) t.join();
        if (fd_ >= 0) close(fd_);
    }
    SlowProxy(const SlowProxy &) = delete;
    SlowProxy &operator=(const SlowProxy &) = delete;
    std::string entry() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    bool stopping() {
        std::lock_guard<std::mutex> guard(lock_);
        return stopping_;
    }

    void accept_loop() {
        while (!stopping()) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) != 1) continue;
            int client = accept(fd_, nullptr, nullptr);
            if (client < 0) continue;
            pipes_.emplace_back([this, client] { relay(client); });
        }
    }

    int connect_server() const {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(server_port_));
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) return fd;
        if (fd >= 0) close(fd);
        return -1;
    }

    static bool pass(int from, int to) {
        char buf[16384];
        ssize_t n = read(from, buf, sizeof buf);
        return n > 0 && send(to, buf, size_t(n), MSG_NOSIGNAL) == n;
    }

    void relay(int client) {
        int server = connect_server();
        int answers = 0;
        while (server >= 0 && !stopping()) {
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (poll(p, 2, 100) <= 0) continue;
            if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) && !pass(client, server)) break;
            if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                if (answers++ >= skip_) {
                    std::unique_lock<std::mutex> hold(lock_);
                    if (wake_.wait_for(hold, delay_, [this] { return stopping_; })) break;
                }
                if (!pass(server, client)) break;
            }
        }
        if (server >= 0) close(server);
        close(client);
    }

    int server_port_;
    std::chrono::milliseconds delay_;
    int skip_;
    int port_ = 0;
    int fd_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread acceptor_;
    std::vector<std::thread> pipes_;  // touched by the acceptor only, joined after it
};

}  // namespace qor_test
