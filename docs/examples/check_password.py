#!/usr/bin/env python3
"""Checks a user's password against an LDAP directory with qorldap9 through
ctypes: the same steps as check_password.c.

    printf '%s\\n' "$PASSWORD" | python3 check_password.py HOST:PORT BASE USER

QORLDAP9_LIBRARY names the library file when the loader should not pick
it (a build tree). Exit status: 0 the password is right, 1 refused, 2 usage.
"""
import ctypes
import os
import sys

LDC_LOC_USER_COMMON = 0
LDC_MB_POSIX = 0x01
LDC_MB_ANONYMOUS = 0x10
LDC_TEXT_RESULT = 0
LDC_TEXT_REASON = 1
RECORD_SIZE = 1972  # sizeof(LDAP_Config)


def main(argv):
    if len(argv) != 4:
        print("usage: check_password.py HOST:PORT BASE USER  (the password: one line of standard input)",
              file=sys.stderr)
        return 2
    host, base, user = (a.encode() for a in argv[1:])
    password = sys.stdin.buffer.readline().rstrip(b"\r\n")

    lib = ctypes.CDLL(os.environ.get("QORLDAP9_LIBRARY", "libqorldap9.so.9"))
    lib.LDC_versionEx.restype = ctypes.c_char_p
    profile = ctypes.create_string_buffer(RECORD_SIZE)
    lib.LDAP_Config_initializeEx(profile)
    lib.LDC_setHostNamesEx(profile, host)
    lib.LDC_setBaseDNEx(profile, base)
    lib.LDC_setmbFlags(profile, LDC_MB_POSIX | LDC_MB_ANONYMOUS)
    lib.LDC_setAnonymousEx(profile, 1)
    if lib.LDAP_Config_saveEx(profile, b"example", LDC_LOC_USER_COMMON) != 1:
        print("the profile could not be saved", file=sys.stderr)
        return 1
    loaded = ctypes.create_string_buffer(RECORD_SIZE)
    lib.LDAP_Config_initializeEx(loaded)
    if lib.LDAP_Config_loadEx(loaded, b"example", LDC_LOC_USER_COMMON) != 1:
        print("the profile could not be loaded", file=sys.stderr)
        return 1
    rc = lib.ldap_verifyPasswdEx(loaded, user, password)
    if rc == 0:
        print("qorldap9 %s: the directory accepted %s's password" % (lib.LDC_versionEx().decode(), user.decode()))
        return 0
    meaning = ctypes.create_string_buffer(256)
    reason = ctypes.create_string_buffer(256)
    lib.LDC_codeTextEx(LDC_TEXT_RESULT, rc, 0, meaning, len(meaning))
    lib.LDC_codeTextEx(LDC_TEXT_REASON, lib.LDC_lastReasonEx(), lib.LDC_lastReasonValueEx(), reason, len(reason))
    print("refused (%d, %s): %s" % (rc, meaning.value.decode(), reason.value.decode() or "no reason given"))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
