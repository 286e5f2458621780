#include "median_table.h"

#include <cstdio>
#include <regex>

namespace qorbench {
namespace {

double to_microseconds(double value, benchmark::TimeUnit unit) {
    switch (unit) {
        case benchmark::kNanosecond:
            return value / 1e3;
        case benchmark::kMicrosecond:
            return value;
        case benchmark::kMillisecond:
            return value * 1e3;
        case benchmark::kSecond:
            return value * 1e6;
    }
    return value;
}

std::string key_of(const benchmark::BenchmarkReporter::Run &run) {
    std::string key = run.run_name.function_name;
    if (run.threads > 1) key += "/threads:" + std::to_string(run.threads);
    return key;
}

const char *verdict(bool met) { return met ? "met" : "MISSED"; }

constexpr double kSoakRssGrowthKib = 1024;

// Whether the run's --benchmark_filter selected the benchmark name (a
// leading "-" selects the names that do not match).
bool selected(const std::string &name) {
    std::string filter = benchmark::GetBenchmarkFilter();
    if (filter.empty() || filter == "all" || filter == ".") return true;
    bool negative = filter[0] == '-';
    if (negative) filter.erase(0, 1);
    bool match = std::regex_search(name, std::regex(filter));
    return negative ? !match : match;
}

struct Summary {
    const MedianCollector &m;
    int missed = 0;

    void rule() { std::printf("%s\n", std::string(108, '-').c_str()); }

    // A row whose benchmark did not run: filtered out, it is left out of
    // the verdict; selected yet absent (renamed, skipped, failed), it is
    // missed.
    const char *absent(const std::string &name) {
        if (!selected(name)) return "not run (filtered)";
        ++missed;
        return "MISSED (not run)";
    }

    void pair(const char *what, const std::string &name, double target) {
        pair(what, name + "/ours", name + "/floor", target);
    }

    void pair(const char *what, const std::string &ours_name, const std::string &floor_name, double target) {
        const Median *ours = m.find(ours_name);
        const Median *floor = m.find(floor_name);
        if (ours == nullptr || floor == nullptr || floor->us <= 0) {
            const char *why = absent(ours == nullptr ? ours_name : floor_name);
            std::printf("%-34s %12s %12s %8s   <= %.2f   %s\n", what, "-", "-", "-", target, why);
            return;
        }
        double ratio = ours->us / floor->us;
        bool met = ratio <= target;
        missed += !met;
        std::printf("%-34s %12.2f %12.2f %8.3f   <= %.2f   %s\n", what, ours->us, floor->us, ratio, target,
                    verdict(met));
    }

    // A variant of a floor, shown for explanation only.
    void info(const char *what, const std::string &name, const std::string &ours_name) {
        const Median *variant = m.find(name);
        const Median *ours = m.find(ours_name);
        if (variant == nullptr || ours == nullptr || variant->us <= 0) return;
        std::printf("%-34s %12s %12.2f %8.3f   (for comparison)\n", what, "", variant->us, ours->us / variant->us);
    }

    void single(const char *what, const std::string &name, double limit_us) {
        const Median *r = m.find(name);
        if (r == nullptr) {
            std::printf("%-34s %12s %12s %8s   < %.0f us   %s\n", what, "-", "", "", limit_us, absent(name));
            return;
        }
        bool met = r->us < limit_us;
        missed += !met;
        std::printf("%-34s %12.3f %12s %8s   < %.0f us   %s\n", what, r->us, "", "", limit_us, verdict(met));
    }

    double counter(const Median *r, const char *name) {
        auto it = r->counters.find(name);
        return it == r->counters.end() ? -1 : it->second;
    }

    void allocations(const char *what, const std::string &name) {
        const Median *r = m.find(name);
        if (r == nullptr) {
            std::printf("%-34s %12s   %s\n", what, "-", absent(name));
            return;
        }
        double allocs = counter(r, "allocs");
        bool met = allocs == 0;
        missed += !met;
        std::printf("%-34s %12.3f %12.0f            0 allocs   %s\n", what, r->us, allocs, verdict(met));
    }

    // Linear growth: each step from one size to the next costs the same
    // per added profile (loading the ten is a fixed part of every size).
    void table_loads() {
        double previous_us = 0, first_slope = 0;
        int previous_n = 0;
        for (int n : {100, 1000, 10000}) {
            const Median *r = m.find("table_load/" + std::to_string(n));
            if (r == nullptr) {
                std::printf("table load, 10 of %-16d %12s   %s\n", n, "-", absent("table_load/" + std::to_string(n)));
                previous_n = 0;
                continue;
            }
            std::printf("table load, 10 of %-16d %12.1f %12.2f %8.1f", n, r->us, r->us / n, r->us / 10);
            if (previous_n != 0) {
                double slope = (r->us - previous_us) / (n - previous_n);
                std::printf("   %.2f us per added profile", slope);
                if (first_slope == 0) {
                    first_slope = slope;
                    std::printf("\n");
                } else {
                    bool met = slope <= 1.5 * first_slope;
                    missed += !met;
                    std::printf(" (x%.2f)   %s\n", slope / first_slope, verdict(met));
                }
            } else {
                std::printf("\n");
            }
            previous_n = n;
            previous_us = r->us;
        }
    }

    // The soak's figures: no wrong verdict, no more connections and
    // descriptors than the kept-connection cap, under 1 MiB more resident
    // memory than after the warm-up.
    void soak() {
        const Median *r = m.find("soak/threads:8");
        if (r == nullptr) {
            std::printf("soak, 200,000 checks on 8 threads  %12s   %s\n", "-", absent("soak/threads:8"));
            return;
        }
        double cap = counter(r, "keep_cap");
        double wrong = counter(r, "wrong_verdicts"), sockets = counter(r, "server_sockets");
        double fds = counter(r, "fd_growth"), rss = counter(r, "rss_growth_kib");
        double peak = counter(r, "peak_rss_growth_kib");
        bool met = wrong == 0 && sockets <= cap && fds <= cap && rss < kSoakRssGrowthKib && peak < kSoakRssGrowthKib &&
                   counter(r, "idle_closed") > 0;
        missed += !met;
        std::printf("soak, 200,000 checks on 8 threads  %8.1f s (%.1f s paused), %.0f restarts, %.0f idle closes\n",
                    counter(r, "soak_s"), counter(r, "paused_s"), counter(r, "restarts"), counter(r, "idle_closed"));
        std::printf(
            "  wrong verdicts %.0f, connections %.0f and descriptors %+.0f (cap %.0f), RSS %+.0f KiB "
            "(peak %+.0f, < %.0f)   %s\n",
            wrong, sockets, fds, cap, rss, peak, kSoakRssGrowthKib, verdict(met));
    }

    void threads() {
        for (int t : {1, 2, 4, 8}) {
            std::string name = t == 1 ? "pw_threads" : "pw_threads/threads:" + std::to_string(t);
            const Median *r = m.find(name);
            if (r == nullptr) {
                std::printf("password checks, %d thread(s)      %12s   %s\n", t, "-", absent(name));
                continue;
            }
            double rate = counter(r, "checks_per_s");
            double wrong = counter(r, "wrong_verdicts");
            bool met = wrong == 0;
            missed += !met;
            std::printf("password checks, %d thread%s %-9s %12.0f checks/s, wrong verdicts %.0f        %s\n", t,
                        t == 1 ? " " : "s", "", rate, wrong, verdict(met));
        }
    }
};

}  // namespace

void MedianCollector::ReportRuns(const std::vector<Run> &runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        // A benchmark run once (the soak) is its own median.
        bool single = run.run_type == Run::RT_Iteration && run.repetitions == 1;
        bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (!(single || median) || run.error_occurred) continue;
        Median &m = medians_[key_of(run)];
        m.us = to_microseconds(run.GetAdjustedRealTime(), run.time_unit);
        for (const auto &[name, c] : run.counters) m.counters[name] = c.value;
    }
}

const Median *MedianCollector::find(const std::string &name) const {
    auto it = medians_.find(name);
    return it == medians_.end() ? nullptr : &it->second;
}

int print_summary(const MedianCollector &medians) {
    Summary s{medians};
    std::printf("\nMedians of the repetitions, real time in microseconds per operation.\n");
    s.rule();
    std::printf("%-34s %12s %12s %8s   %-8s\n", "what", "ours us", "floor us", "ratio", "target");
    s.rule();
    // Kept connections: a check costs a bind on an open connection, at
    // most half a connection's check over ldap:// and a tenth over ldaps://.
    s.pair("password check, simple path", "pw_simple/ours", "pw_simple/rebind", 1.2);
    s.pair("  against a connection per check", "pw_simple", 0.5);
    s.info("  floor with the two time limits", "pw_simple/floor_timeouts", "pw_simple/ours");
    s.pair("password check over ldaps://", "pw_ldaps/ours", "pw_ldaps/rebind", 1.2);
    s.pair("  against a connection per check", "pw_ldaps", 0.1);
    s.info("  floor with a TLS context per session", "pw_ldaps/floor_own_context", "pw_ldaps/ours");
    // A silent first host costs its deadline once in the while the
    // process remembers it, not on every check.
    s.pair("check with a dead first host", "pw_dead_first/ours", "pw_dead_first/live", 1.1);
    s.pair("configuration check", "config_check", 1.05);
    s.pair("profile load", "profile_load", 1.5);
    s.info("  floor, a transaction per value", "profile_load/floor_per_value", "profile_load/ours");
    s.pair("{SHA} verification", "sha", 1.2);
    s.info("  floor, digest fetched once", "sha/floor_fetched", "sha/ours");
    s.pair("{SSHA} verification", "ssha", 1.2);
    s.info("  floor, digest fetched once", "ssha/floor_fetched", "ssha/ours");
    s.pair("NTLM logon check", "ntlm", 1.1);
    s.rule();
    std::printf("%-34s %12s %12s %8s\n", "table load (no floor)", "total us", "per enum.", "per load");
    s.table_loads();
    s.rule();
    s.single("seal a 48-character password", "seal", 10);
    s.single("unseal a 48-character password", "unseal", 10);
    s.rule();
    std::printf("%-34s %12s %12s\n", "record operations", "us", "allocs/op");
    s.allocations("initialise", "record/initialize");
    s.allocations("copy", "record/copy");
    s.allocations("add server", "record/add_server");
    s.allocations("form user DN", "record/form_dn");
    s.allocations("DNS domain", "record/dns_domain");
    s.rule();
    s.threads();
    s.rule();
    s.soak();
    s.rule();
    std::printf("%d row(s) missed their target\n", s.missed);
    return s.missed;
}

}  // namespace qorbench
