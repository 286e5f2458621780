// The benchmark program. Run by bench/run.sh, which starts the test
// directory and passes its KEY=VALUE file in QOR_SLAPD_ENV.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "fixture_env.h"
#include "median_table.h"

namespace {

// The "no allocation" rows mean something only if allocations are seen.
bool allocation_counter_works() {
    size_t before = qorbench::allocations();
    void *volatile block = std::malloc(32);
    std::free(block);
    return qorbench::allocations() > before;
}

}  // namespace

int main(int argc, char **argv) {
    if (!allocation_counter_works()) {
        std::fprintf(stderr, "qorldap9_bench: the allocation counter does not see malloc\n");
        return 1;
    }
    std::string error = qorbench::load_fixture();
    if (!error.empty()) {
        std::fprintf(stderr, "qorldap9_bench: %s\n", error.c_str());
        return 1;
    }
    // Repetitions of different benchmarks take turns, so that a busy
    // moment of the shared machine falls on ours and the floor alike.
    std::vector<char *> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    bool asked = false;
    for (int i = 1; i < argc; ++i) asked |= std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
    if (!asked) args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

    qorbench::MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    std::fflush(stdout);
    int missed = qorbench::print_summary(collector);
    benchmark::Shutdown();
    qorbench::remove_work_dir();
    return missed == 0 ? 0 : 3;
}
