// A directory of the test's own on a loopback port: it records every byte
// a client sends and answers binds, modifies and searches with the result
// codes the test chose (a referral, with its URL, when the code is 10).
// With a certificate and key it speaks TLS first (ldaps), so the client's
// certificate checks can be seen: a refused handshake leaves nothing
// recorded.
//
//   FakeDirectory fake({0, kReferral, "ldap://127.0.0.1:1/"});
//   ... point a profile at fake.hosts() ...
//   EXPECT_EQ(fake.received().find(password), std::string::npos);
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qor_test {

// What a FakeDirectory answers.
struct FakeAnswers {
    int bind = 0;
    int modify = 0;
    std::string referral;    // the URL sent with a code of 10
    std::string diagnostic;  // the diagnostic message of every result
};

class FakeDirectory {
  public:
    static constexpr int kReferral = 10;
    using Answers = FakeAnswers;

    explicit FakeDirectory(Answers answers = Answers(), const std::string &cert = "", const std::string &key = "")
        : answers_(std::move(answers)) {
        signal(SIGPIPE, SIG_IGN);
        if (!cert.empty()) {
            tls_ = SSL_CTX_new(TLS_server_method());
            if (tls_ == nullptr || SSL_CTX_use_certificate_chain_file(tls_, cert.c_str()) != 1 ||
                SSL_CTX_use_PrivateKey_file(tls_, key.c_str(), SSL_FILETYPE_PEM) != 1)
                return;
        }
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr *>(&a), len) != 0 || listen(fd_, 8) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeDirectory() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
        if (tls_ != nullptr) SSL_CTX_free(tls_);
    }
    FakeDirectory(const FakeDirectory &) = delete;
    FakeDirectory &operator=(const FakeDirectory &) = delete;

    bool ready() const { return port_ != 0; }
    int port() const { return port_; }
    std::string hosts() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url() const { return "ldap://" + hosts() + "/"; }
    int connections() const { return connections_; }
    // Past n answered binds, a connection's next bind is read, never
    // answered, and the connection closed (0, as at first: no end).
    void close_after_binds(int n) { binds_per_connection_ = n; }
    // Bind requests read, answered or not.
    int binds() const { return binds_; }
    // Everything clients sent, after TLS when there is TLS.
    std::string received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

  private:
    // One connection: plain reads and writes, or those of a TLS session.
    struct Peer {
        int fd;
        SSL *ssl;
        long read(unsigned char *p, size_t n) { return ssl ? SSL_read(ssl, p, static_cast<int>(n)) : ::read(fd, p, n); }
        void write(const std::string &s) {
            if (ssl)
                SSL_write(ssl, s.data(), static_cast<int>(s.size()));
            else if (::write(fd, s.data(), s.size()) < 0)
                return;
        }
    };

    static std::string length(size_t n) {
        if (n < 0x80) return std::string(1, static_cast<char>(n));
        std::string bytes;
        for (; n > 0; n >>= 8) bytes.insert(bytes.begin(), static_cast<char>(n & 0xff));
        return std::string(1, static_cast<char>(0x80 | bytes.size())) + bytes;
    }
    static std::string element(unsigned char tag, const std::string &content) {
        return std::string(1, static_cast<char>(tag)) + length(content.size()) + content;
    }

    // An LDAPResult of type op for the message whose ID element is id.
    std::string result(const std::string &id, unsigned char op, int code) const {
        std::string body = element(0x0a, std::string(1, static_cast<char>(code))) + element(0x04, "") +
                           element(0x04, answers_.diagnostic);
        if (code == kReferral) body += element(0xa3, element(0x04, answers_.referral));
        return element(0x30, id + element(op, body));
    }

    // The length of message's ID element; 0 when it has none or nothing follows it.
    static size_t id_length(const std::string &message) {
        // message: the SEQUENCE's content, the ID element first.
        if (message.size() < 3 || message[0] != 0x02) return 0;
        size_t n = 2 + static_cast<unsigned char>(message[1]);
        return message.size() > n ? n : 0;
    }
    static bool is_bind(const std::string &message) {
        size_t n = id_length(message);
        return n != 0 && static_cast<unsigned char>(message[n]) == 0x60;
    }

    std::string answer(const std::string &message) const {
        size_t n = id_length(message);
        if (n == 0) return "";
        std::string id = message.substr(0, n);
        switch (static_cast<unsigned char>(message[n])) {
            case 0x60:
                return result(id, 0x61, answers_.bind);
            case 0x66:
                return result(id, 0x67, answers_.modify);
            case 0x63:
                return result(id, 0x65, 0);
            default:
                return "";
        }
    }

    void record(const unsigned char *p, size_t n) {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(reinterpret_cast<const char *>(p), n);
    }

    // Reads BER messages until the client goes away or the test ends.
    void converse(Peer peer) {
        std::string pending;
        unsigned char buffer[4096];
        int binds_here = 0;
        for (;;) {
            pollfd p{peer.fd, POLLIN, 0};
            if (stop_) return;
            if ((peer.ssl == nullptr || SSL_pending(peer.ssl) == 0) && poll(&p, 1, 50) <= 0) continue;
            long n = peer.read(buffer, sizeof buffer);
            if (n <= 0) return;
            record(buffer, static_cast<size_t>(n));
            pending.append(reinterpret_cast<char *>(buffer), static_cast<size_t>(n));
            while (pending.size() >= 2) {
                size_t header = 2, content = static_cast<unsigned char>(pending[1]);
                if (content & 0x80) {
                    size_t bytes = content & 0x7f;
                    if (bytes > 4 || pending.size() < 2 + bytes) break;
                    content = 0;
                    for (size_t i = 0; i < bytes; ++i)
                        content = content << 8 | static_cast<unsigned char>(pending[2 + i]);
                    header += bytes;
                }
                if (pending.size() < header + content) break;
                std::string message = pending.substr(header, content);
                if (is_bind(message)) {
                    ++binds_;
                    if (binds_per_connection_ > 0 && ++binds_here > binds_per_connection_) return;
                }
                std::string reply = answer(message);
                if (!reply.empty()) peer.write(reply);
                pending.erase(0, header + content);
            }
        }
    }

    // Each connection is served on a thread of its own, so that a client
    // keeping one open does not hold up the next.
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            ++connections_;
            peers_.emplace_back([this, c] {
                SSL *ssl = nullptr;
                if (tls_ != nullptr) {
                    ssl = SSL_new(tls_);
                    SSL_set_fd(ssl, c);
                    if (SSL_accept(ssl) != 1) {
                        SSL_free(ssl);
                        close(c);
                        return;
                    }
                }
                converse(Peer{c, ssl});
                if (ssl != nullptr) SSL_free(ssl);
                close(c);
            });
        }
        for (std::thread &t : peers_) t.join();
    }

    Answers answers_;
    SSL_CTX *tls_ = nullptr;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> binds_{0};
    std::atomic<int> binds_per_connection_{0};
    mutable std::mutex mutex_;
    std::string received_;
    std::vector<std::thread> peers_;
    std::thread thread_;
};

}  // namespace qor_test
