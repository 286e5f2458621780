#include "median_table.h"

#include <cstdio>
#include <regex>
#include <utility>

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

void rule() { std::printf("%s\n", std::string(108, '-').c_str()); }

const Section kSections[] = {Section::kRatios,           Section::kTableLoads, Section::kSingles,
                             Section::kRecordOperations, Section::kThreads,    Section::kSoak};

// The heading above a section's rows, if it has one; the first one is the
// table's own, with a rule below it.
void print_heading(Section section) {
    switch (section) {
        case Section::kRatios:
            std::printf("%-34s %12s %12s %8s   %-8s\n", "what", "ours us", "floor us", "ratio", "target");
            rule();
            break;
        case Section::kTableLoads:
            std::printf("%-34s %12s %12s %8s\n", "table load (no floor)", "total us", "per enum.", "per load");
            break;
        case Section::kRecordOperations:
            std::printf("%-34s %12s %12s\n", "record operations", "us", "allocs/op");
            break;
        default:
            break;
    }
}

std::vector<std::pair<Section, TargetRow>> &targets() {
    static std::vector<std::pair<Section, TargetRow>> rows;
    return rows;
}

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

const char *Summary::judge(bool met) {
    missed_ += !met;
    return met ? "met" : "MISSED";
}

const char *Summary::absent(const std::string &name) {
    if (!selected(name)) return "not run (filtered)";
    ++missed_;
    return "MISSED (not run)";
}

double Summary::counter(const Median *median, const char *name) {
    auto it = median->counters.find(name);
    return it == median->counters.end() ? -1 : it->second;
}

void Summary::pair(const char *what, const std::string &name, double target) {
    pair(what, name + "/ours", name + "/floor", target);
}

void Summary::pair(const char *what, const std::string &ours_name, const std::string &floor_name, double target) {
    const Median *ours = find(ours_name);
    const Median *floor = find(floor_name);
    if (ours == nullptr || floor == nullptr || floor->us <= 0) {
        const char *why = absent(ours == nullptr ? ours_name : floor_name);
        std::printf("%-34s %12s %12s %8s   <= %.2f   %s\n", what, "-", "-", "-", target, why);
        return;
    }
    double ratio = ours->us / floor->us;
    std::printf("%-34s %12.2f %12.2f %8.3f   <= %.2f   %s\n", what, ours->us, floor->us, ratio, target,
                judge(ratio <= target));
}

void Summary::info(const char *what, const std::string &name, const std::string &ours_name) {
    const Median *variant = find(name);
    const Median *ours = find(ours_name);
    if (variant == nullptr || ours == nullptr || variant->us <= 0) return;
    std::printf("%-34s %12s %12.2f %8.3f   (for comparison)\n", what, "", variant->us, ours->us / variant->us);
}

void Summary::single(const char *what, const std::string &name, double limit_us) {
    const Median *r = find(name);
    if (r == nullptr) {
        std::printf("%-34s %12s %12s %8s   < %.0f us   %s\n", what, "-", "", "", limit_us, absent(name));
        return;
    }
    std::printf("%-34s %12.3f %12s %8s   < %.0f us   %s\n", what, r->us, "", "", limit_us, judge(r->us < limit_us));
}

void Summary::allocations(const char *what, const std::string &name) {
    const Median *r = find(name);
    if (r == nullptr) {
        std::printf("%-34s %12s   %s\n", what, "-", absent(name));
        return;
    }
    double allocs = counter(r, "allocs");
    std::printf("%-34s %12.3f %12.0f            0 allocs   %s\n", what, r->us, allocs, judge(allocs == 0));
}

bool add_target(Section section, TargetRow row) {
    targets().emplace_back(section, row);
    return true;
}

int print_summary(const MedianCollector &medians) {
    Summary s{medians};
    std::printf("\nMedians of the repetitions, real time in microseconds per operation.\n");
    rule();
    for (Section part : kSections) {
        print_heading(part);
        for (const auto &[section, row] : targets())
            if (section == part) row(s);
        rule();
    }
    std::printf("%d row(s) missed their target\n", s.missed());
    return s.missed();
}

}  // namespace qorbench
