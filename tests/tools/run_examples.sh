#!/bin/sh
# Runs the examples of docs/examples against the test directory: the C
# program given (built against the build tree or the installed package)
# and the Python one, each with the right password and a wrong one.
#   sh run_examples.sh C_PROGRAM SLAPD_ENV_FILE
# The Python example loads $QORLDAP9_LIBRARY, or the library the loader finds;
# a sanitized library needs its runtime loaded first, named by
# $QORLDAP9_SANITIZER_RUNTIME (the interpreter's own leaks are not ours).
set -eu
program=$1
port=$(sed -n 's/^LDAP_PORT=//p' "$2")
examples=$(cd "$(dirname "$0")/../../docs/examples" && pwd)
QORLDAP9_REGISTRY_DIR=$(mktemp -d)
export QORLDAP9_REGISTRY_DIR
trap 'rm -rf "$QORLDAP9_REGISTRY_DIR"' EXIT

expect() {
    want_status=$1 want_text=$2 password=$3
    shift 3
    status=0
    out=$(printf '%s\n' "$password" | "$@" "127.0.0.1:$port" dc=example,dc=com jdoe) || status=$?
    if [ "$status" != "$want_status" ] || ! printf '%s' "$out" | grep -qF "$want_text"; then
        echo "FAILED: $* gave $status: $out (wanted $want_status: $want_text)" >&2
        exit 1
    fi
    echo "$*: $out"
}
python=python3
if [ -n "${QORLDAP9_SANITIZER_RUNTIME:-}" ]; then
    python="env LD_PRELOAD=$QORLDAP9_SANITIZER_RUNTIME ASAN_OPTIONS=detect_leaks=0 python3"
fi
for example in "$program" "$python $examples/check_password.py"; do
    # shellcheck disable=SC2086
    expect 0 "the directory accepted jdoe's password" Secret123 $example
    # shellcheck disable=SC2086
    expect 1 "refused (7020, the password did not verify): the user name or the password is wrong" wrong-guess-3 $example
done
