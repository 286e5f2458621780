#!/bin/sh
# A standalone winbindd (no domain, no smbd) for the NTLM logon check under
# Wine: Wine's secur32 hands the server side of NTLM to ntlm_auth, which
# asks winbindd to check the answer against a private SAM database.
#
#   winbindd.sh start DIR   set up, start; prints KEY=VALUE lines
#   winbindd.sh stop DIR    stop the daemon and remove DIR
#
# One account, the system's "nobody" (a SAM account needs a Unix one),
# with a password made for the run. libwbclient finds the daemon only at
# /run/samba/winbindd, so test programs run through with_winbind.sh, which
# binds DIR/runsamba there in a private mount namespace.
# Exit codes: 0 ready (or stopped), 1 failed, 77 winbindd or root missing.
set -u
PATH=$PATH:/usr/sbin:/sbin
cmd=${1:-}
dir=${2:-}
[ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

stop() {
    for pidfile in "$dir/pid/winbindd.pid" "$dir/pid/samba-dcerpcd.pid"; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile" 2>/dev/null)
        case $pid in '' | *[!0-9]*) continue ;; esac
        # Only a daemon of this directory: its command line names it.
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$dir/"; then
            kill "$pid" 2>/dev/null
            i=0
            while [ $i -lt 50 ] && kill -0 "$pid" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
        fi
    done
}

case $cmd in
stop)
    stop
    rm -rf "$dir"
    exit 0
    ;;
start) ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

if ! command -v winbindd >/dev/null || ! command -v smbpasswd >/dev/null || [ "$(id -u)" != 0 ] ||
    ! id nobody >/dev/null 2>&1; then
    echo "winbindd.sh: needs root, winbindd, smbpasswd and the nobody account" >&2
    exit 77
fi
[ -d "$dir" ] && { stop; rm -rf "$dir"; }
mkdir -p "$dir" && cd "$dir" && dir=$(pwd) || exit 1
for d in private lock state cache pid ncalrpc log runsamba/winbindd; do mkdir -p "$dir/$d"; done
chmod 755 "$dir/runsamba/winbindd"
cat >"$dir/smb.conf" <<CONF
[global]
   workgroup = TESTWG
   netbios name = TESTSRV
   server role = standalone server
   disable netbios = yes
   rpc start on demand helpers = no
   passdb backend = tdbsam:$dir/private/passdb.tdb
   private dir = $dir/private
   lock directory = $dir/lock
   state directory = $dir/state
   cache directory = $dir/cache
   pid directory = $dir/pid
   ncalrpc dir = $dir/ncalrpc
   winbindd socket directory = $dir/runsamba/winbindd
   log file = $dir/log/log.%m
   logging = file
CONF
password="Nt-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
(echo "$password"; echo "$password") | smbpasswd -c "$dir/smb.conf" -s -a nobody >"$dir/log/smbpasswd.out" 2>&1 || {
    echo "winbindd.sh: smbpasswd failed" >&2
    exit 1
}
winbindd -s "$dir/smb.conf" -F --no-process-group </dev/null >"$dir/log/winbindd.out" 2>&1 &
i=0
while [ ! -S "$dir/runsamba/winbindd/pipe" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then
        echo "winbindd.sh: winbindd did not come up" >&2
        stop
        exit 1
    fi
    sleep 0.1
done
echo "NTLM_DOMAIN=TESTSRV"
echo "NTLM_USER=nobody"
echo "NTLM_PASSWORD=$password"
echo "WINBIND_DIR=$dir"
