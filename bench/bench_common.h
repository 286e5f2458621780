// Settings every benchmark shares: medians over repetitions of real time,
// since the machine is shared and the directory answers over the network.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "median_table.h"

namespace qorbench {

constexpr int kRepetitions = 15;

// QORBENCH_REPETITIONS and QORBENCH_MIN_TIME (seconds) override the
// defaults, e.g. for a quick run or a run under valgrind.
inline double from_environment(const char *name, double fallback) {
    const char *text = getenv(name);
    return text != nullptr && atof(text) > 0 ? atof(text) : fallback;
}

inline benchmark::internal::Benchmark *configure(benchmark::internal::Benchmark *b, double min_time = 0.2) {
    min_time = from_environment("QORBENCH_MIN_TIME", min_time);
    return b->Repetitions(static_cast<int>(from_environment("QORBENCH_REPETITIONS", kRepetitions)))
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->MinTime(min_time);
}

}  // namespace qorbench

// Registers fn under name with the shared settings, before main.
#define QORBENCH_REGISTER(id, name, fn)                          \
    static benchmark::internal::Benchmark *const qorbench_##id = \
        qorbench::configure(benchmark::RegisterBenchmark(name, fn))
