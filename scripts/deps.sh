#!/bin/sh
# Installs whatever the project needs that this Debian machine lacks: the
# packages named as arguments, else those of packages.txt.
# Runs as root; does nothing when everything is already there.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wanted=${*:-$(grep -v '^[[:space:]]*#' "$here/packages.txt" | grep -v '^[[:space:]]*$')}
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
# The packages' own daemons (slapd, the KDC, Samba, winbind) stay
# stopped during the install: a policy-rc.d that refuses every start,
# unless the machine has one of its own.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && own_policy=$policy
fi
rc=0
# shellcheck disable=SC2086
apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends $missing || rc=$?
[ -n "$own_policy" ] && rm -f "$own_policy"
[ $rc -eq 0 ] || exit $rc
# Services the packages may have started anyway are not ours to keep running.
for svc in slapd krb5-kdc krb5-admin-server samba-ad-dc smbd nmbd winbind; do
    if [ -x "/etc/init.d/$svc" ]; then "/etc/init.d/$svc" stop >/dev/null 2>&1 || true; fi
done
