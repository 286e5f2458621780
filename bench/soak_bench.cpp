// The soak: 200,000 password checks on 8 threads, right and wrong
// passwords mixed, against a directory of its own that is restarted every
// 25,000 checks and that closes connections left idle. It holds when no
// verdict is wrong, the process keeps no more connections and descriptors
// after the run than the kept-connection cap, and resident memory grows by
// less than 1 MiB after the warm-up (the first 25,000 checks).
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "bench_common.h"
#include "directory/directory_session.h"
#include "fixture_env.h"
#include "qorldap9.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kThreads = 8;
constexpr int64_t kChecks = 200000;
constexpr int64_t kRestartEvery = 25000;
constexpr int64_t kLeg = kRestartEvery / kThreads;  // one thread's checks between two restarts
constexpr int64_t kLegs = kChecks / kRestartEvery;
// How long a pause waits at most for the server to close the idle
// connections, beyond its idle timeout.
constexpr auto kIdleCloseMargin = std::chrono::seconds(5);

struct Account {
    const char *user;
    const char *password;
};
// The seed's users: one stored as an SSHA value, one in clear.
const Account kAccounts[] = {{"jdoe", "Secret123"}, {"asmith", "Clear456"}};
constexpr const char *kWrongPassword = "Not-The-Password";

long resident_bytes() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

struct Descriptors {
    int all = 0;
    int to_server = 0;         // sockets connected to the soak's server
    int closed_by_server = 0;  // of those, the ones it has closed
};

// The process's descriptors. Peeks at the sockets' input, so only while
// no check runs.
Descriptors descriptors(int server_port) {
    Descriptors d;
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr) return d;
    while (struct dirent *e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        int fd = std::atoi(e->d_name);
        if (fd == dirfd(dir)) continue;
        ++d.all;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0 || peer.sin_family != AF_INET ||
            ntohs(peer.sin_port) != server_port)
            continue;
        ++d.to_server;
        char byte;
        d.closed_by_server += recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }
    closedir(dir);
    return d;
}

// The threads stop together at the same points; the last one to arrive
// acts alone (restarts the server, waits, measures) while the others wait.
class Rendezvous {
  public:
    void arrive(const std::function<void()> &alone) {
        std::unique_lock<std::mutex> hold(lock_);
        const int64_t round = round_;
        if (++arrived_ < kThreads) {
            wake_.wait(hold, [&] { return round_ != round; });
            return;
        }
        alone();
        arrived_ = 0;
        ++round_;
        wake_.notify_all();
    }

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    int arrived_ = 0;
    int64_t round_ = 0;
};

// Shared by the threads; made by the first before the others start.
class Soak {
  public:
    explicit Soak(const qorbench::SoakDirectory &server)
        : server_(server), start_(Clock::now()), fds_before_(descriptors(server.ldap_port).all) {}

    void verdict(bool wrong) {
        if (wrong) wrong_verdicts_.fetch_add(1);
    }

    // Halfway through a leg the connections go idle until the server has
    // closed them; at its end the server restarts. The threads wait
    // meanwhile, and the time is counted apart.
    void after_check(int64_t done) {
        if (done % kLeg == kLeg / 2) pause_all([&] { let_connections_idle(); });
        if (done % kLeg == 0) pause_all([&] { end_leg(); });
    }

    void report(benchmark::State &state) const {
        Descriptors after = descriptors(server_.ldap_port);
        state.counters["soak_s"] = std::chrono::duration<double>(Clock::now() - start_).count();
        state.counters["paused_s"] = std::chrono::duration<double>(paused_).count();
        state.counters["wrong_verdicts"] = static_cast<double>(wrong_verdicts_.load());
        state.counters["restarts"] = restarts_;
        state.counters["idle_closed"] = idle_closed_;
        state.counters["server_sockets"] = after.to_server;
        state.counters["fd_growth"] = after.all - fds_before_;
        state.counters["keep_cap"] = static_cast<double>(qor::KeepPolicy{}.idle_per_key);
        state.counters["rss_growth_kib"] = static_cast<double>(resident_bytes() - warm_rss_) / 1024;
        state.counters["peak_rss_growth_kib"] = static_cast<double>(peak_rss_ - warm_rss_) / 1024;
        if (restart_failed_) state.SkipWithError("the soak's directory did not restart");
    }

  private:
    void pause_all(const std::function<void()> &alone) {
        meet_.arrive([&] {
            auto begin = Clock::now();
            alone();
            paused_ += Clock::now() - begin;
        });
    }

    // Waits until the server closed every connection the checks left idle.
    void let_connections_idle() {
        auto give_up = Clock::now() + std::chrono::seconds(server_.idle_timeout_s) + kIdleCloseMargin;
        Descriptors d = descriptors(server_.ldap_port);
        while (d.closed_by_server < d.to_server && Clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            d = descriptors(server_.ldap_port);
        }
        idle_closed_ += d.closed_by_server;
    }

    void end_leg() {
        long rss = resident_bytes();
        if (++legs_done_ == 1) warm_rss_ = rss;
        peak_rss_ = std::max(peak_rss_, rss);
        if (legs_done_ == kLegs) return;
        std::string cmd = "sh '" QORBENCH_SLAPD_SCRIPT "' restart '" + server_.slapd_dir + "' >/dev/null";
        restart_failed_ |= std::system(cmd.c_str()) != 0;
        ++restarts_;
    }

    const qorbench::SoakDirectory &server_;
    const Clock::time_point start_;
    const int fds_before_;
    Rendezvous meet_;
    std::atomic<int64_t> wrong_verdicts_{0};
    // Touched by the thread that acts alone only.
    Clock::duration paused_{};
    int legs_done_ = 0;
    int restarts_ = 0;
    bool restart_failed_ = false;
    int idle_closed_ = 0;  // kept connections the server closed while idle
    long warm_rss_ = 0;
    long peak_rss_ = 0;
};

std::unique_ptr<Soak> g_soak;

LDAP_Config soak_profile(int port) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, qorbench::fixture().host.c_str());
    LDC_setPortEx(&r, port);
    LDC_setBaseDNEx(&r, qorbench::fixture().base.c_str());
    LDC_setVersionEx(&r, 3);
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return r;
}

void soak(benchmark::State &state) {
    const qorbench::SoakDirectory &server = qorbench::soak_directory();
    if (!qorbench::fixture().have_directory || !server.present) {
        state.SkipWithError("QOR_SLAPD_SOAK_ENV not set: run bench/run.sh");
        return;
    }
    const int64_t t = state.thread_index();
    // The others wait for the first at the loop's start.
    if (t == 0) g_soak = std::make_unique<Soak>(server);
    LDAP_Config r = soak_profile(server.ldap_port);
    int64_t i = 0;
    for (auto _ : state) {
        const Account &a = kAccounts[(i + t) % 2];
        const bool right = (i / 2 + t) % 2 == 0;
        int rc = ldap_verifyPasswdEx(&r, a.user, right ? a.password : kWrongPassword);
        g_soak->verdict(rc != (right ? 0 : LDC_E_PASSWORD_REFUSED));
        g_soak->after_check(++i);
    }
    // ... and the first for the others at its end.
    if (t == 0) g_soak->report(state);
}

// One run: the soak is long, and its figures are its own, not a median.
static benchmark::internal::Benchmark *const qorbench_soak = benchmark::RegisterBenchmark("soak", soak)
                                                                 ->Iterations(kChecks / kThreads)
                                                                 ->Threads(kThreads)
                                                                 ->Repetitions(1)
                                                                 ->UseRealTime()
                                                                 ->Unit(benchmark::kMicrosecond);

constexpr double kSoakRssGrowthKib = 1024;

// No wrong verdict, no more connections and descriptors than the
// kept-connection cap, under 1 MiB more resident memory than after the
// warm-up.
void soak_rows(qorbench::Summary &s) {
    const qorbench::Median *r = s.find("soak/threads:8");
    if (r == nullptr) {
        std::printf("soak, 200,000 checks on 8 threads  %12s   %s\n", "-", s.absent("soak/threads:8"));
        return;
    }
    auto counter = [r](const char *name) { return qorbench::Summary::counter(r, name); };
    double cap = counter("keep_cap");
    double wrong = counter("wrong_verdicts"), sockets = counter("server_sockets");
    double fds = counter("fd_growth"), rss = counter("rss_growth_kib");
    double peak = counter("peak_rss_growth_kib");
    bool met = wrong == 0 && sockets <= cap && fds <= cap && rss < kSoakRssGrowthKib && peak < kSoakRssGrowthKib &&
               counter("idle_closed") > 0;
    std::printf("soak, 200,000 checks on 8 threads  %8.1f s (%.1f s paused), %.0f restarts, %.0f idle closes\n",
                counter("soak_s"), counter("paused_s"), counter("restarts"), counter("idle_closed"));
    std::printf(
        "  wrong verdicts %.0f, connections %.0f and descriptors %+.0f (cap %.0f), RSS %+.0f KiB "
        "(peak %+.0f, < %.0f)   %s\n",
        wrong, sockets, fds, cap, rss, peak, kSoakRssGrowthKib, s.judge(met));
}
QORBENCH_TARGET(soak, qorbench::Section::kSoak, soak_rows(s));

}  // namespace
