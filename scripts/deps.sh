#!/bin/sh
# Installs whatever the project needs that this Debian machine lacks.
# Runs as root; does nothing when everything is already there.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wanted=$(grep -v '^[[:space:]]*#' "$here/packages.txt" | grep -v '^[[:space:]]*$')
missing=""
for p in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then
    echo "deps.sh: these packages are missing and installing them needs root:$missing" >&2
    exit 1
fi
# The test directory is started by the tests themselves: keep the package
# from configuring and starting a system-wide server.
echo "slapd slapd/no_configuration boolean true" | debconf-set-selections
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends $missing
# Services the packages may have started are not ours to keep running.
for svc in slapd krb5-kdc krb5-admin-server; do
    if [ -x "/etc/init.d/$svc" ]; then "/etc/init.d/$svc" stop >/dev/null 2>&1 || true; fi
done
