// Password and configuration checks against the test directory, beside
// the same exchanges written with libldap alone.
#include <arpa/inet.h>
#include <ldap.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_common.h"
#include "fixture_env.h"
#include "net_faults.h"
#include "qorldap9.h"

namespace {

using qorbench::fixture;

constexpr const char *kUser = "jdoe";
constexpr const char *kPassword = "Secret123";  // the seed's SSHA value
constexpr const char *kWrongPassword = "Secret124";
constexpr int kPosixSimple = LDC_MB_POSIX | LDC_MB_SIMPLE;

bool need_directory(benchmark::State &state) {
    if (fixture().have_directory) return true;
    state.SkipWithError("QOR_SLAPD_ENV not set: run bench/run.sh");
    return false;
}

std::string user_dn() { return std::string("uid=") + kUser + ",ou=people," + fixture().base; }

LDAP_Config password_profile(bool ssl) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, fixture().host.c_str());
    LDC_setPortEx(&r, ssl ? fixture().ldaps_port : fixture().ldap_port);
    LDC_setSslEx(&r, ssl ? 1 : 0);
    LDC_setBaseDNEx(&r, fixture().base.c_str());
    LDC_setVersionEx(&r, 3);
    LDC_setmbFlags(&r, kPosixSimple);
    return r;
}

std::string uri(bool ssl) {
    return std::string(ssl ? "ldaps://" : "ldap://") + fixture().host + ":" +
           std::to_string(ssl ? fixture().ldaps_port : fixture().ldap_port);
}

void password_ours(benchmark::State &state, bool ssl) {
    if (!need_directory(state)) return;
    LDAP_Config r = password_profile(ssl);
    for (auto _ : state) {
        if (ldap_verifyPasswdEx(&r, kUser, kPassword) != 0) {
            state.SkipWithError("right password refused");
            break;
        }
    }
}

// What a floor does beyond open, protocol version, simple bind, unbind.
// The last two are variants for comparison: work the library does on
// every session that the floors skip.
enum class Extra {
    kNone,
    kFourOptions,    // the configuration check's other options
    kTimeLimits,     // connect and response limits: a silent host fails within seconds
    kOwnTlsContext,  // a TLS context of the session's own, built from the current settings
};

// The floors, with libldap alone.
void raw_check(benchmark::State &state, const std::string &address, const std::string &dn, std::string password,
               Extra extra) {
    for (auto _ : state) {
        LDAP *ld = nullptr;
        if (ldap_initialize(&ld, address.c_str()) != LDAP_SUCCESS) {
            state.SkipWithError("ldap_initialize failed");
            break;
        }
        int version = LDAP_VERSION3, size_limit = 100, time_limit = 30, deref = LDAP_DEREF_NEVER;
        ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
        if (extra == Extra::kTimeLimits) {
            struct timeval limit = {2, 0};
            ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &limit);
            ldap_set_option(ld, LDAP_OPT_TIMEOUT, &limit);
        }
        if (extra == Extra::kOwnTlsContext) {
            char *ca = nullptr;
            ldap_get_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, &ca);
            if (ca != nullptr) ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, ca);
            ldap_memfree(ca);
            int demand = LDAP_OPT_X_TLS_DEMAND, is_server = 0;
            ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
            ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &is_server);
        }
        if (extra == Extra::kFourOptions) {
            ldap_set_option(ld, LDAP_OPT_SIZELIMIT, &size_limit);
            ldap_set_option(ld, LDAP_OPT_TIMELIMIT, &time_limit);
            ldap_set_option(ld, LDAP_OPT_DEREF, &deref);
            ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
        }
        struct berval cred = {password.size(), password.data()};
        int rc = ldap_sasl_bind_s(ld, dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
        ldap_unbind_ext(ld, nullptr, nullptr);
        if (rc != LDAP_SUCCESS) {
            state.SkipWithError("floor bind failed");
            break;
        }
    }
}

void password_floor(benchmark::State &state, bool ssl) {
    if (need_directory(state)) raw_check(state, uri(ssl), user_dn(), kPassword, Extra::kNone);
}

// The floor under any check: a simple bind sent again on one connection
// that stays open and verified.
void rebind_floor(benchmark::State &state, bool ssl) {
    if (!need_directory(state)) return;
    LDAP *ld = nullptr;
    if (ldap_initialize(&ld, uri(ssl).c_str()) != LDAP_SUCCESS) {
        state.SkipWithError("ldap_initialize failed");
        return;
    }
    int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    std::string dn = user_dn(), password = kPassword;
    struct berval cred = {password.size(), password.data()};
    for (auto _ : state) {
        if (ldap_sasl_bind_s(ld, dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr) != LDAP_SUCCESS) {
            state.SkipWithError("floor bind failed");
            break;
        }
    }
    ldap_unbind_ext(ld, nullptr, nullptr);
}

LDAP_Config admin_profile() {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, fixture().host.c_str());
    LDC_setPortEx(&r, fixture().ldap_port);
    LDC_setBaseDNEx(&r, fixture().base.c_str());
    LDC_setBindDNEx(&r, fixture().rootdn.c_str());
    LDC_setBindPwdEx(&r, fixture().rootpw.c_str());
    LDC_setVersionEx(&r, 3);
    LDC_setSizeLimitEx(&r, 100);
    LDC_setTimeoutEx(&r, 30);
    LDC_setDerefEx(&r, LDAP_DEREF_NEVER);
    LDC_setReferalEx(&r, 0);
    LDC_setmbFlags(&r, kPosixSimple);
    return r;
}

void config_ours(benchmark::State &state) {
    if (!need_directory(state)) return;
    LDAP_Config r = admin_profile();
    for (auto _ : state) {
        if (ldap_verifyConfigEx(&r) != 0) {
            state.SkipWithError("configuration check failed");
            break;
        }
    }
}

void config_floor(benchmark::State &state) {
    if (need_directory(state)) raw_check(state, uri(false), fixture().rootdn, fixture().rootpw, Extra::kFourOptions);
}

// Right and wrong passwords in turn from every thread; every verdict is
// checked, and a wrong one counted.
void password_threads(benchmark::State &state) {
    if (!need_directory(state)) return;
    LDAP_Config r = password_profile(false);
    int64_t checks = 0, wrong = 0;
    int64_t turn = state.thread_index();
    for (auto _ : state) {
        bool right = (turn++ & 1) == 0;
        int rc = ldap_verifyPasswdEx(&r, kUser, right ? kPassword : kWrongPassword);
        wrong += right ? rc != 0 : rc != LDC_E_PASSWORD_REFUSED;
        ++checks;
    }
    state.counters["checks_per_s"] = benchmark::Counter(static_cast<double>(checks), benchmark::Counter::kIsRate);
    state.counters["wrong_verdicts"] = benchmark::Counter(static_cast<double>(wrong));
}

// Checks through a profile whose first host is silent, after one call
// that paid the bind deadline (10 s), beside the same profile without it.
void first_host_check(benchmark::State &state, bool silent_first) {
    if (!need_directory(state)) return;
    qor_test::HungHost silent;
    LDAP_Config r = password_profile(false);
    LDC_setTimeoutEx(&r, 1);
    std::string hosts = fixture().host;
    if (silent_first) hosts = silent.entry() + " " + hosts;
    LDC_setHostNamesEx(&r, hosts.c_str());
    if (ldap_verifyPasswdEx(&r, kUser, kPassword) != 0) {
        state.SkipWithError("right password refused");
        return;
    }
    for (auto _ : state) {
        if (ldap_verifyPasswdEx(&r, kUser, kPassword) != 0) {
            state.SkipWithError("right password refused");
            break;
        }
    }
}

// The first check through a profile with Timeout 0 (no limit) whose first
// host takes the connection and never answers: a new silent host for each,
// so that each pays the default bind deadline, not the search's 120 s.
void hung_first_host_default(benchmark::State &state) {
    if (!need_directory(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        qor_test::HungHost silent;
        LDAP_Config r = password_profile(false);
        LDC_setTimeoutEx(&r, 0);
        std::string hosts = silent.entry() + " " + fixture().host;
        LDC_setHostNamesEx(&r, hosts.c_str());
        state.ResumeTiming();
        if (ldap_verifyPasswdEx(&r, kUser, kPassword) != 0) {
            state.SkipWithError("right password refused");
            break;
        }
    }
}

static benchmark::internal::Benchmark *const qorbench_hung_first =
    benchmark::RegisterBenchmark("pw_hung_first/default", hung_first_host_default)
        ->Iterations(1)
        ->Repetitions(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
QORBENCH_REGISTER(pw_dead_first_ours, "pw_dead_first/ours", [](benchmark::State &s) { first_host_check(s, true); });
QORBENCH_REGISTER(pw_dead_first_live, "pw_dead_first/live", [](benchmark::State &s) { first_host_check(s, false); });
QORBENCH_REGISTER(pw_simple_ours, "pw_simple/ours", [](benchmark::State &s) { password_ours(s, false); });
QORBENCH_REGISTER(pw_simple_floor, "pw_simple/floor", [](benchmark::State &s) { password_floor(s, false); });
QORBENCH_REGISTER(pw_simple_floor_timeouts, "pw_simple/floor_timeouts", [](benchmark::State &s) {
    if (need_directory(s)) raw_check(s, uri(false), user_dn(), kPassword, Extra::kTimeLimits);
});
QORBENCH_REGISTER(pw_ldaps_floor_context, "pw_ldaps/floor_own_context", [](benchmark::State &s) {
    if (need_directory(s)) raw_check(s, uri(true), user_dn(), kPassword, Extra::kOwnTlsContext);
});
QORBENCH_REGISTER(pw_simple_rebind, "pw_simple/rebind", [](benchmark::State &s) { rebind_floor(s, false); });
QORBENCH_REGISTER(pw_ldaps_ours, "pw_ldaps/ours", [](benchmark::State &s) { password_ours(s, true); });
QORBENCH_REGISTER(pw_ldaps_floor, "pw_ldaps/floor", [](benchmark::State &s) { password_floor(s, true); });
QORBENCH_REGISTER(pw_ldaps_rebind, "pw_ldaps/rebind", [](benchmark::State &s) { rebind_floor(s, true); });
QORBENCH_REGISTER(config_ours, "config_check/ours", config_ours);
QORBENCH_REGISTER(config_floor, "config_check/floor", config_floor);

// Kept connections: a check costs a bind on an open connection, at most
// half a connection's check over ldap:// and a tenth over ldaps://.
QORBENCH_TARGET(pw_simple, qorbench::Section::kRatios,
                s.pair("password check, simple path", "pw_simple/ours", "pw_simple/rebind", 1.2);
                s.pair("  against a connection per check", "pw_simple", 0.5);
                s.info("  floor with the two time limits", "pw_simple/floor_timeouts", "pw_simple/ours"));
QORBENCH_TARGET(pw_ldaps, qorbench::Section::kRatios,
                s.pair("password check over ldaps://", "pw_ldaps/ours", "pw_ldaps/rebind", 1.2);
                s.pair("  against a connection per check", "pw_ldaps", 0.1);
                s.info("  floor with a TLS context per session", "pw_ldaps/floor_own_context", "pw_ldaps/ours"));
// A silent first host costs its deadline once in the while the process
// remembers it, not on every check.
QORBENCH_TARGET(pw_dead_first, qorbench::Section::kRatios,
                s.pair("check with a dead first host", "pw_dead_first/ours", "pw_dead_first/live", 1.1));
QORBENCH_TARGET(config_check, qorbench::Section::kRatios, s.pair("configuration check", "config_check", 1.05));
// The first check past a silent host with Timeout 0 waits the default bind
// deadline (10 s), never the 120 s of a search without a limit.
QORBENCH_TARGET(pw_hung_first, qorbench::Section::kSingles,
                s.single("first check, silent host, Timeout 0", "pw_hung_first/default", 11e6));
static benchmark::internal::Benchmark *const qorbench_threads =
    qorbench::configure(benchmark::RegisterBenchmark("pw_threads", password_threads), 0.5)
        ->Threads(1)
        ->Threads(2)
        ->Threads(4)
        ->Threads(8);

// No wrong verdict on any number of threads; the rate is for reading.
void thread_rows(qorbench::Summary &s) {
    for (int t : {1, 2, 4, 8}) {
        std::string name = t == 1 ? "pw_threads" : "pw_threads/threads:" + std::to_string(t);
        const qorbench::Median *r = s.find(name);
        if (r == nullptr) {
            std::printf("password checks, %d thread(s)      %12s   %s\n", t, "-", s.absent(name));
            continue;
        }
        double rate = qorbench::Summary::counter(r, "checks_per_s");
        double wrong = qorbench::Summary::counter(r, "wrong_verdicts");
        std::printf("password checks, %d thread%s %-9s %12.0f checks/s, wrong verdicts %.0f        %s\n", t,
                    t == 1 ? " " : "s", "", rate, wrong, s.judge(wrong == 0));
    }
}
QORBENCH_TARGET(pw_threads, qorbench::Section::kThreads, thread_rows(s));

}  // namespace
