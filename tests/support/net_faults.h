// Loopback ports and servers that misbehave, for the failover, deadline
// and no-contact tests: a host that accepts connections and never
// answers, and a proxy in front of a real server that holds back its
// answers, or makes a slow and faulty network of the loopback.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
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

// What a SlowProxy does to the traffic it passes, chunk by chunk as read.
struct NetFaults {
    using ms = std::chrono::milliseconds;
    ms request_delay{0};  // before a chunk from the client passes, but the first skip_requests of a connection
    ms answer_delay{0};   // before a chunk from the server passes, but the first skip_answers of a connection
    ms jitter{0};         // each delay drawn from delay - jitter .. delay + jitter
    int skip_answers = 0;
    int skip_requests = 0;
    // skip_answers counts the client's requests, not the server's chunks:
    // the answers to the first skip_answers requests pass at once however
    // the server cuts them (a search's entry and its end may come apart).
    bool skip_answers_by_request = false;
    bool answers_byte_by_byte = false;  // the server's chunks written one byte at a time
    int reset_one_in = 0;  // one request chunk in N passes in half, then both connections are reset (0: never)
    int stall_one_in = 0;  // one chunk in N, either way, is held a stall longer (0: never)
    ms stall_min{0};
    ms stall_max{0};
};

// Forwards connections to a server on loopback, with the faults asked
// for. Requests pass whole unless cut by a reset, so the server acts on
// whatever the client makes of the wait.
class SlowProxy {
  public:
    SlowProxy(int server_port, NetFaults faults)
        : server_port_(server_port), faults_(faults), fd_(loopback_listener(port_)) {
        if (fd_ >= 0) acceptor_ = std::thread([this] { accept_loop(); });
    }
    // The server's answers reach the client delay later, but the first
    // skip of each connection (a bind's answer, say), which pass at once.
    SlowProxy(int server_port, std::chrono::milliseconds delay, int skip = 0)
        : SlowProxy(server_port, answers_held(delay, skip)) {}
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
    // Faults dealt so far.
    int resets() const { return resets_; }
    int stalls() const { return stalls_; }

  private:
    static NetFaults answers_held(std::chrono::milliseconds delay, int skip) {
        NetFaults f;
        f.answer_delay = delay;
        f.skip_answers = skip;
        return f;
    }

    bool stopping() {
        std::lock_guard<std::mutex> guard(lock_);
        return stopping_;
    }

    // False when the proxy stops meanwhile.
    bool hold(std::chrono::milliseconds time) {
        if (time <= std::chrono::milliseconds(0)) return !stopping();
        std::unique_lock<std::mutex> held(lock_);
        return !wake_.wait_for(held, time, [this] { return stopping_; });
    }

    void accept_loop() {
        unsigned connection = 0;
        while (!stopping()) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) != 1) continue;
            int client = accept(fd_, nullptr, nullptr);
            if (client < 0) continue;
            const int on = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            pipes_.emplace_back([this, client, seed = ++connection] { relay(client, seed); });
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

    static bool send_all(int to, const char *data, size_t size, bool byte_by_byte) {
        size_t step = byte_by_byte ? 1 : size;
        for (size_t done = 0; done < size; done += step)
            if (send(to, data + done, step, MSG_NOSIGNAL) != ssize_t(step)) return false;
        return true;
    }

    // Closes fd so that its peer reads a reset, not an orderly end.
    static void reset(int fd) {
        const linger abort{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        close(fd);
    }

    enum class Passed { kChunk, kEnd, kCut };

    // One chunk from one side to the other.
    // passed: the chunks passed that way on the connection so far.
    Passed pass(int from, int to, bool answer, int &passed, std::mt19937 &random) {
        char buf[16384];
        ssize_t n = read(from, buf, sizeof buf);
        if (n <= 0) return Passed::kEnd;
        auto one_in = [&](int n) { return n > 0 && std::uniform_int_distribution<int>(1, n)(random) == 1; };
        auto between = [&](NetFaults::ms low, NetFaults::ms high) {
            return NetFaults::ms(std::uniform_int_distribution<long>(low.count(), high.count())(random));
        };
        const int skip = answer ? faults_.skip_answers : faults_.skip_requests;
        NetFaults::ms delay = passed++ < skip ? NetFaults::ms(0)
                              : answer        ? faults_.answer_delay
                                              : faults_.request_delay;
        if (delay > NetFaults::ms(0)) delay = between(delay - faults_.jitter, delay + faults_.jitter);
        if (one_in(faults_.stall_one_in)) {
            ++stalls_;
            delay += between(faults_.stall_min, faults_.stall_max);
        }
        if (!hold(delay)) return Passed::kEnd;
        if (!answer && one_in(faults_.reset_one_in)) {
            ++resets_;
            send_all(to, buf, size_t(n) / 2, false);
            return Passed::kCut;
        }
        return send_all(to, buf, size_t(n), answer && faults_.answers_byte_by_byte) ? Passed::kChunk : Passed::kEnd;
    }

    void relay(int client, unsigned seed) {
        std::mt19937 random(seed);
        int server = connect_server();
        int answers = 0, requests = 0;
        Passed last = Passed::kChunk;
        while (server >= 0 && !stopping() && last == Passed::kChunk) {
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (poll(p, 2, 100) <= 0) continue;
            if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) last = pass(client, server, false, requests, random);
            int requests_before = requests - 1;  // the answer is to the last request
            if (last == Passed::kChunk && (p[1].revents & (POLLIN | POLLHUP | POLLERR)))
                last = pass(server, client, true, faults_.skip_answers_by_request ? requests_before : answers, random);
        }
        for (int fd : {server, client}) {
            if (fd >= 0 && last == Passed::kCut)
                reset(fd);
            else if (fd >= 0)
                close(fd);
        }
    }

    int server_port_;
    NetFaults faults_;
    int port_ = 0;
    int fd_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<int> resets_{0};
    std::atomic<int> stalls_{0};
    std::thread acceptor_;
    std::vector<std::thread> pipes_;  // touched by the acceptor only, joined after it
};

}  // namespace qor_test
