#!/bin/sh
# The main job, start to finish: installs what is missing, builds the
# library and shows what it offers.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)"
lib="$root/build/lib/libqorldap9.so"
echo "== $lib exports:"
nm -D --defined-only "$lib" | awk '{print "  " $NF}'
