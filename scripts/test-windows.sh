#!/bin/sh
# Cross-builds the Windows DLLs (qorldap9.dll, ravuve9.dll, the registry
# store COM server) with mingw-w64 and runs the test suite under Wine.
# On a Debian 12 machine it installs what is missing first (as root).
#   sh scripts/test-windows.sh            build in ./build-win32
#   QORLDAP9_WIN32_BUILD=/path sh scripts/test-windows.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QORLDAP9_WIN32_BUILD:-$root/build-win32}
jobs=$(nproc 2>/dev/null || echo 2)

packages="g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix wine wine32:i386 winbind
          cmake make pkg-config googletest slapd ldap-utils openssl iproute2"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "== installing:$missing"
    if [ "$(id -u)" != 0 ]; then
        echo "run as root to install the missing packages" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    # A packaged slapd must not set up a directory of its own: the tests
    # start a throwaway one.
    echo 'slapd slapd/no_configuration boolean true' | debconf-set-selections
    apt-get update -o DPkg::Lock::Timeout=600
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 $missing
fi

echo "== cross-build in $build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQORLDAP9_TOOLS=OFF
cmake --build "$build" -j "$jobs"

# A private Wine prefix in the build folder; Wine would otherwise make one
# in the home directory. Kept between runs: creating one takes seconds.
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix"
    rm -rf "$WINEPREFIX"
    WINEDEBUG=-all wineboot --init >/dev/null 2>&1 || true
    # The registry files appear when the server has written them out.
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wineboot did not create the prefix $WINEPREFIX" >&2
        exit 1
    fi
fi
export WINEDEBUG=fixme-all

# A warm server and Wine's services started outside ctest: the services
# would otherwise hold ctest's output pipes open after every test.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

echo "== tests under Wine"
cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 300
