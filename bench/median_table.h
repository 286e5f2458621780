// Collects the median of every benchmark's repetitions while the console
// shows the usual report, then prints the summary table: each library
// operation beside its floor and their ratio, all from the same run. Each
// benchmark file registers its own rows of the table (its targets) beside
// the benchmarks they judge, with QORBENCH_TARGET.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace qorbench {

struct Median {
    double us = 0;                           // real time per iteration
    std::map<std::string, double> counters;  // user counters, as reported
};

class MedianCollector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override;
    // Null when the benchmark did not run (filtered out, skipped, failed).
    const Median *find(const std::string &name) const;

  private:
    std::map<std::string, Median> medians_;
};

// The summary table while it is printed: its rows judge medians against
// their targets and count the rows that missed them.
class Summary {
  public:
    explicit Summary(const MedianCollector &medians) : medians_(medians) {}

    // The ratio of name + "/ours" to name + "/floor" at most target.
    void pair(const char *what, const std::string &name, double target);
    void pair(const char *what, const std::string &ours_name, const std::string &floor_name, double target);
    // A variant of a floor beside ours, shown for explanation only.
    void info(const char *what, const std::string &name, const std::string &ours_name);
    // A median under limit_us.
    void single(const char *what, const std::string &name, double limit_us);
    // No allocation per operation (the "allocs" counter).
    void allocations(const char *what, const std::string &name);

    // Returns the median of name; null when it did not run.
    const Median *find(const std::string &name) const { return medians_.find(name); }
    // Returns the counter's value, -1 when the benchmark has none of it.
    static double counter(const Median *median, const char *name);
    // Returns the verdict text of a row, counting it when missed.
    const char *judge(bool met);
    // Returns the text of a row whose benchmark did not run: filtered out,
    // it is left out of the verdict; selected yet absent (renamed,
    // skipped, failed), it is missed.
    const char *absent(const std::string &name);
    // Returns how many rows missed their target.
    int missed() const { return missed_; }

  private:
    const MedianCollector &medians_;
    int missed_ = 0;
};

// The parts of the table, in the order they are printed.
enum class Section { kRatios, kTableLoads, kSingles, kRecordOperations, kThreads, kSoak };

using TargetRow = void (*)(Summary &);

// Adds a row to its section of the table; rows of a section are printed in
// the order they are added, which for rows of different files is the
// order of the sources in bench/CMakeLists.txt. Returns true.
bool add_target(Section section, TargetRow row);

// Prints the table; returns how many rows missed their target.
int print_summary(const MedianCollector &medians);

}  // namespace qorbench

// Registers a row of the summary table before main: the statements run
// with s, the Summary being printed.
#define QORBENCH_TARGET(id, section, ...) \
    static const bool qorbench_target_##id = qorbench::add_target(section, [](qorbench::Summary &s) { __VA_ARGS__; })
