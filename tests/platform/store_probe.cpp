// A program that uses machine profiles the way a password-checking service
// does, for tests that run it as another user or set-user-ID root:
//   store_probe save LOCATION NAME HOSTS PASSWORD [ssl]   exit 0 saved, 1 not
//   store_probe load LOCATION NAME                  exit 0 loaded, 2 not
//   store_probe check LOCATION NAME USER PASSWORD   exit 0 granted, 1 refused, 2 no profile
#include <cstdlib>
#include <cstring>
#include <string>

#include "qorldap9.h"

// Run set-user-ID or set-group-ID, the probe cannot read its own
// environment, so a sanitized build takes its options from here: the leak
// check needs what a set-ID process may not do, and would end every run with
// its own failure.
extern "C" const char *__asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char **argv) {
    if (argc < 4) return 64;
    const std::string command = argv[1];
    const int location = std::atoi(argv[2]);
    const char *name = argv[3];
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    if (command == "save" && (argc == 6 || (argc == 7 && std::strcmp(argv[6], "ssl") == 0))) {
        LDC_setSslEx(&r, argc == 7 ? 1 : 0);
        LDC_setHostNamesEx(&r, argv[4]);
        LDC_setBaseDNEx(&r, "dc=example,dc=com");
        LDC_setmbFlags(&r, LDC_MB_SIMPLE | LDC_MB_POSIX);
        LDC_setBindDNEx(&r, "cn=service,dc=example,dc=com");
        LDC_setBindPwdEx(&r, argv[5]);
        return LDAP_Config_saveEx(&r, name, location) == 1 ? 0 : 1;
    }
    if (LDAP_Config_loadEx(&r, name, location) != 1) return 2;
    if (command == "load" && argc == 4) return 0;
    if (command == "check" && argc == 6) return ldap_verifyPasswdEx(&r, argv[4], argv[5]) == 0 ? 0 : 1;
    return 64;
}
