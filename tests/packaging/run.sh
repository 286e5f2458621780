#!/bin/sh
# The Debian packages as a user gets them: built, installed, used by a C
# program built through pkg-config and through CMake, the command and its
# manual page; then purged, leaving nothing of theirs behind. The machine
# is left as it was found: skipped where that cannot be promised.
#   sh tests/packaging/run.sh [OUT_DIR]     packages built into OUT_DIR (./build-deb)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/build-deb}
packages="libqorldap9-9 libqorldap9-dev qorldap"
folders="/var/lib/qorldap9 /etc/qorldap9"

skip() {
    echo "SKIPPED: packaging test: $*"
    exit 0
}
fail() {
    echo "FAILED: packaging test: $*" >&2
    exit 1
}
[ "$(id -u)" = 0 ] || skip "installing and purging packages needs root"
command -v dpkg >/dev/null || skip "not a Debian system"
for p in $packages; do
    case $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true) in
        "" | *not-installed) ;;
        *) skip "$p is already on this machine" ;;
    esac
done
for f in $folders; do
    [ ! -e "$f" ] || skip "$f exists already and would go with the purge"
done
for f in /usr/local/lib/libqorldap9.so* /usr/local/lib/*/libqorldap9.so*; do
    [ ! -e "$f" ] || skip "programs would use $f (installed from a build tree), not the packages"
done

sh "$root/scripts/package.sh" "$out"

work=$(mktemp -d)
installed=false
group_existed=false
getent group qorldap9 >/dev/null && group_existed=true
slapd_dir=""
cleanup() {
    status=$?
    [ -z "$slapd_dir" ] || sh "$root/tests/fixtures/slapd.sh" stop "$slapd_dir" >/dev/null || status=1
    if $installed; then
        # shellcheck disable=SC2086
        dpkg --purge $packages >/dev/null 2>&1 || status=1
    fi
    $group_existed || ! getent group qorldap9 >/dev/null || groupdel qorldap9 || status=1
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo "== install"
installed=true
dpkg -i "$out"/libqorldap9-9_*.deb "$out"/libqorldap9-dev_*.deb "$out"/qorldap_*.deb
# shellcheck disable=SC2086
dpkg -L $packages | grep -vx "/\." | sort -u >"$work/files"
[ "$(stat -c '%U:%G %a' /var/lib/qorldap9)" = "root:qorldap9 750" ] || fail "/var/lib/qorldap9 is not root:qorldap9 0750"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
echo "== build dependencies"
# Every library the packages link comes with its -dev package among the
# build dependencies, so that a machine holding only those builds them.
build_depends=$(sed -n '/^Build-Depends:/,/^[^ ]/p' "$root/debian/control")
grep -E "^/usr/(lib/$multiarch/lib[^/]*\.so[.0-9]*|bin/[^/]*)$" "$work/files" | xargs objdump -p |
    sed -n 's/^ *NEEDED *//p' | sort -u | while read -r soname; do
    link=/usr/lib/$multiarch/$(echo "$soname" | sed 's/\(-[0-9.]*\)\{0,1\}\.so.*/.so/')
    [ -e "$link" ] || continue
    dev=$(dpkg -S "$link" | cut -d: -f1)
    case $dev in libc6-dev | libqorldap9-dev) continue ;; esac
    echo "$build_depends" | grep -qwF -- "$dev" || fail "debian/control's Build-Depends lacks $dev ($soname)"
done

echo "== consumers built through pkg-config and through CMake"
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror "$here/consumer.c" $(pkg-config --cflags --libs qorldap9) -o "$work/consumer-pkgconfig"
mkdir "$work/cmake"
cat >"$work/cmake/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(qorldap9 REQUIRED)
add_executable(consumer-cmake $here/consumer.c)
target_link_libraries(consumer-cmake PRIVATE qorldap9::qorldap9)
EOF
cmake -S "$work/cmake" -B "$work/cmake/build" >/dev/null
cmake --build "$work/cmake/build" >/dev/null
grep -qx "qorldap9_DIR:PATH=/usr/lib/$multiarch/cmake/qorldap9" "$work/cmake/build/CMakeCache.txt" ||
    fail "CMake found another qorldap9 package"

# The consumers run with a throwaway store and NTLM user file; dave's NT
# hash is that of "Secret1!", computed elsewhere.
echo 'CORP\dave:0:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:2B0FD3FACA9A8ACD5FDFFF6ECAE2C207:[U          ]:LCT-00000000:' \
    >"$work/ntlm-users"
stored="{crypt}$(openssl passwd -6 'pass word')"
for consumer in "$work/consumer-pkgconfig" "$work/cmake/build/consumer-cmake"; do
    used=$(ldd "$consumer" | sed -n 's/^[[:space:]]*libqorldap9\.so\.9 => \([^ ]*\).*/\1/p')
    [ "$(readlink -f "$used")" = "$(readlink -f "/usr/lib/$multiarch/libqorldap9.so.9")" ] ||
        fail "$consumer uses ${used:-no} libqorldap9.so.9, not the installed one"
    rm -rf "$work/registry"
    env -u LM_COMPAT_LEVEL -u NETBIOS_COMPUTER_NAME -u NETBIOS_DOMAIN_NAME -u NTLM_USER_FILE \
        QORLDAP9_REGISTRY_DIR="$work/registry" QORSSPI_USER_FILE="$work/ntlm-users" \
        "$consumer" "$stored" 'pass word' 'Secret1!'
done

echo "== the library's private parts"
for part in libqorregstore.so libqorsspi.so libravuve9.so.9; do
    [ -f "/usr/lib/$multiarch/qorldap9/$part" ] || fail "$part is not in /usr/lib/$multiarch/qorldap9"
    [ ! -e "/usr/lib/$multiarch/$part" ] || fail "$part is in the public library folder"
done

echo "== the examples, built against the installed library and run against a directory"
slapd_dir="$work/slapd"
sh "$root/tests/fixtures/slapd.sh" start "$slapd_dir" >"$work/slapd.env" || fail "the test directory did not start"
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror "$root/docs/examples/check_password.c" $(pkg-config --cflags --libs qorldap9) \
    -o "$work/check_password"
env -u QORLDAP9_LIBRARY sh "$root/tests/tools/run_examples.sh" "$work/check_password" "$work/slapd.env"

echo "== the command, its completion and its manual page"
/usr/bin/qorldap --help | grep -q "^Usage: qorldap" || fail "qorldap --help"
bash -c '. /usr/share/bash-completion/completions/qorldap && complete -p qorldap' >/dev/null ||
    fail "no bash completion for qorldap"
man -aw qorldap | grep -qx /usr/share/man/man1/qorldap.1.gz || fail "man -aw qorldap: $(man -aw qorldap)"
man /usr/share/man/man1/qorldap.1.gz 2>/dev/null >"$work/page"
# The page holds every subcommand's help and the sections no help holds.
grep -q "hash-check \[OPTIONS\]" "$work/page" || fail "the manual page lacks the subcommands"
for section in LOCATIONS EXAMPLES FILES ENVIRONMENT "EXIT STATUS" "SEE ALSO"; do
    grep -qx "$section" "$work/page" || fail "the manual page lacks its $section section"
done

# A machine profile saved by root lands in the package's folder; the purge
# takes it away.
env -u QORLDAP9_REGISTRY_DIR /usr/bin/qorldap --location 1 set packaging-probe --hosts ldap.example.com --base dc=example,dc=com >/dev/null
[ -f /var/lib/qorldap9/local_machine.db ] || fail "qorldap saved no machine profile in /var/lib/qorldap9"

echo "== purge"
# shellcheck disable=SC2086
dpkg --purge $packages
installed=false
left=""
while read -r path; do
    # Folders the system shares with other packages stay.
    if [ -e "$path" ] && ! { [ -d "$path" ] && [ "$(dpkg -S "$path" 2>/dev/null)" ]; }; then
        left="$left $path"
    fi
done <"$work/files"
for f in $folders; do
    [ ! -e "$f" ] || left="$left $f"
done
[ -z "$left" ] || fail "left after the purge:$left"
echo "PASSED: packaging test"
