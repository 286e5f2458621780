#!/bin/sh
# The main job, start to finish, against a throwaway local directory:
# installs what is missing, builds, starts a test directory on 127.0.0.1,
# and walks through profiles and passwords with the qorldap tool. Leaves
# nothing running.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target qorldap
qorldap="$root/build/bin/qorldap"

work=$(mktemp -d)
dir="$work/directory"
cleanup() {
    "$root/tests/fixtures/slapd.sh" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

echo "== starting a throwaway directory on 127.0.0.1"
"$root/tests/fixtures/slapd.sh" start "$dir" >"$work/directory.env"
while IFS='=' read -r key value; do
    case $key in
        LDAP_PORT) ldap_port=$value ;;
        LDAPS_PORT) ldaps_port=$value ;;
        LDAPTLS_CACERT) export LDAPTLS_CACERT="$value" ;;
    esac
done <"$work/directory.env"
echo "   plain port $ldap_port, ldaps port $ldaps_port"

# Profiles go to a registry of the demo's own.
export QORLDAP9_REGISTRY_DIR="$work/registry"
mkdir -p "$QORLDAP9_REGISTRY_DIR"

step() {
    echo
    echo "\$ qorldap $*"
    set +e
    "$qorldap" "$@"
    status=$?
    set -e
    echo "  -> exit status $status"
}
# Like step, with a secret fed on stdin; the secret is never shown.
step_secret() {
    secret=$1
    shift
    echo
    echo "\$ printf '********' | qorldap $*"
    set +e
    printf '%s\n' "$secret" | "$qorldap" "$@"
    status=$?
    set -e
    echo "  -> exit status $status"
}

step set demo --hosts "127.0.0.1:$ldap_port" --base dc=example,dc=com --posix --anonymous --gstring "demo profile"
step set demo-ssl --hosts "127.0.0.1:$ldaps_port" --base dc=example,dc=com --posix --anonymous --ssl 1
step list
step show demo
step verify demo
step schema demo
step_secret 'Secret123' check demo jdoe --password-stdin
step_secret 'not-the-password' check demo jdoe --password-stdin
step_secret 'Secret123' check demo-ssl jdoe --password-stdin
step_secret "$(printf 'Change-Old-1\nChange-New-2')" passwd demo change1 --password-stdin
step_secret 'Change-New-2' check demo change1 --password-stdin
step_secret 'Change-Old-1' check demo change1 --password-stdin
stored=$(/usr/sbin/slappasswd -h '{SSHA}' -s 'Hash-Demo-3')
step_secret 'Hash-Demo-3' hash-check "$stored"
step_secret 'wrong' hash-check "$stored"
step --json show demo
step delete demo
step list

echo
echo "== stopping the directory"
