#!/bin/sh
# Builds the Debian packages libqorldap9-9, libqorldap9-dev and qorldap
# (with their -dbgsym companions) into a folder, and checks them with
# lintian:
#   sh scripts/package.sh [OUT_DIR]        default: ./build-deb
# On a Debian machine it installs the build dependencies it lacks first
# (as root). DEB_BUILD_OPTIONS passes through (default "nocheck parallel=N":
# the tests run from the test command).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-deb}
mkdir -p "$out"
out=$(cd "$out" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/scripts/deps.sh" dpkg-dev lintian

# dpkg-buildpackage writes beside the source folder: build a copy inside
# OUT_DIR, always at the same place so that a compiler cache finds it again.
src=$out/source
rm -rf "$src" "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$src"
tar -C "$root" --exclude=./.git --exclude='./build*' --exclude='./obj-*' \
    --exclude="./${out#"$root"/}" -cf - . | tar -C "$src" -xf -

if ! (cd "$src" && dpkg-checkbuilddeps >/dev/null 2>&1); then
    if [ "$(id -u)" != 0 ]; then
        (cd "$src" && dpkg-checkbuilddeps) || true
        echo "package.sh: installing the build dependencies needs root" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get build-dep -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends "$src"
fi

if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    # The build runs with a HOME of its own: name the cache outright.
    CCACHE_DIR=$(ccache -k cache_dir)
    export CCACHE_DIR CCACHE_BASEDIR="$src" CCACHE_NOHASHDIR=true
fi
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-nocheck parallel=$jobs}"
(cd "$src" && dpkg-buildpackage -us -uc -b)
rm -rf "$src"

echo "== lintian"
lintian --fail-on error "$out"/*.changes
echo "== packages in $out"
ls -l "$out"/*.deb
