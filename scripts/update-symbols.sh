#!/bin/sh
# Rewrites debian/libqorldap9-9.symbols from the exports of a build's
# libraries, after an export was added or removed; symbols already listed
# keep the version that introduced them, new ones get the version of
# debian/changelog:
#   sh scripts/update-symbols.sh [BUILD_DIR]      default: ./build
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DQORLDAP9_TESTS=OFF
cmake --build "$build" --target qorldap9
cd "$root"
dpkg-gensymbols -plibqorldap9-9 -c0 -q \
    -e"$build/lib/libqorldap9.so.9" \
    -Odebian/libqorldap9-9.symbols
git -C "$root" diff --stat -- debian/libqorldap9-9.symbols 2>/dev/null || true
