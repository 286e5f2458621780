#!/bin/sh
# Builds the benchmark program (Release, build-bench), starts two throwaway
# test directories, runs the benchmarks against them and stops them again:
# the soak has one of its own, which it restarts and which closes
# connections idle for 2 s.
# Arguments are passed to the program (e.g. --benchmark_filter=pw_).
# BUILD_DIR overrides the build folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build-bench}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQORLDAP9_BENCH=ON \
    -DQORLDAP9_TESTS=OFF -DQORLDAP9_TOOLS=OFF >/dev/null || exit 1
cmake --build "$build" -j2 --target qorldap9_bench >/dev/null || {
    cmake --build "$build" --target qorldap9_bench; exit 1; }

dir=$(mktemp -d /tmp/qor-bench-slapd.XXXXXX) || exit 1
env_file=$dir.env
soak_dir=$dir.soak
soak_env_file=$dir.soak.env
cleanup() {
    sh "$root/tests/fixtures/slapd.sh" stop "$dir" >/dev/null 2>&1
    sh "$root/tests/fixtures/slapd.sh" stop "$soak_dir" >/dev/null 2>&1
    rm -f "$env_file" "$soak_env_file"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
sh "$root/tests/fixtures/slapd.sh" start "$dir" >"$env_file" || { echo "run.sh: slapd did not start" >&2; exit 1; }
QOR_SLAPD_IDLETIMEOUT=2 sh "$root/tests/fixtures/slapd.sh" start "$soak_dir" >"$soak_env_file" ||
    { echo "run.sh: the soak's slapd did not start" >&2; exit 1; }

QOR_SLAPD_ENV=$env_file QOR_SLAPD_SOAK_ENV=$soak_env_file "$build/bin/qorldap9_bench" "$@"
