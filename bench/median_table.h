// Collects the median of every benchmark's repetitions while the console
// shows the usual report, then prints the summary table: each library
// operation beside its floor and their ratio, all from the same run.
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

// Prints the table; returns how many rows missed their target.
int print_summary(const MedianCollector &medians);

}  // namespace qorbench
