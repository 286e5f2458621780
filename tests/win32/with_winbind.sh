#!/bin/sh
# Runs a Windows test program under Wine where libwbclient finds the test
# winbindd: its socket folder bound over /run/samba in a private mount
# namespace. Without the daemon (or root) the program runs as it is and
# skips its NTLM tests.
#   with_winbind.sh ENV_FILE PROGRAM ARGS...
env_file=$1
shift
dir=$(sed -n 's/^WINBIND_DIR=//p' "$env_file" 2>/dev/null)
if [ -n "$dir" ] && [ -S "$dir/runsamba/winbindd/pipe" ] && [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
    export QOR_NTLM_ENV="$env_file"
    exec unshare -m sh -c 'mkdir -p /run/samba && mount --bind "$0/runsamba" /run/samba && exec wine "$@"' "$dir" "$@"
fi
exec wine "$@"
