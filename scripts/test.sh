#!/bin/sh
# Installs what is missing, then builds and runs every test: a normal
# build, one under AddressSanitizer and UndefinedBehaviorSanitizer, the
# threaded tests under ThreadSanitizer, the
# fuzz targets for a bounded time, the Windows DLLs under Wine, and the
# Debian packages built, installed, used and purged.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== normal build (the benchmarks are built, not run: bench/run.sh runs them)"
run_suite "$root/build" -DQORLDAP9_BENCH=ON
echo "== sanitizer build (address, undefined)"
(
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_suite "$root/build-asan" -DQORLDAP9_SANITIZE=ON
)
echo "== thread sanitizer build: the programs whose tests share state across threads"
(
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan_system.supp"
    cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORLDAP9_TSAN=ON -DQORLDAP9_TOOLS=OFF
    cmake --build "$root/build-tsan" -j "$jobs" --target threads_all
    (cd "$root/build-tsan" && ctest --output-on-failure -j "$jobs" --timeout 600 -L threads)
)
echo "== fuzz targets (clang, libFuzzer)"
(
    export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1
    cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQORLDAP9_FUZZ=ON \
        -DQORLDAP9_TOOLS=OFF
    cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_all
    (cd "$root/build-fuzz" && ctest --output-on-failure -L fuzz)
)
echo "== Windows DLLs under Wine"
sh "$root/scripts/test-windows.sh"
echo "== Debian packages: build, install, use, purge"
sh "$root/tests/packaging/run.sh"
