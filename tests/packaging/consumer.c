/* A program built against the installed library. It saves and loads a
 * profile (the registry store component), checks a stored value (the
 * cipher library) and an NTLM logon (the security provider).
 * Arguments: a stored {crypt} value, its password, dave's password. */
#include <qorldap9.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
    if (argc != 4) return 2;
    LDAP_Config saved, loaded;
    LDAP_Config_initializeEx(&saved);
    LDAP_Config_initializeEx(&loaded);
    LDC_setBaseDNEx(&saved, "dc=corp,dc=example");
    LDC_setHostNamesEx(&saved, "127.0.0.1");
    LDC_setmbFlags(&saved, LDC_MB_AD | LDC_MB_INTEGRATED);
    int store = LDAP_Config_saveEx(&saved, "consumer", LDC_LOC_USER_COMMON) == 1 &&
                LDAP_Config_loadEx(&loaded, "consumer", LDC_LOC_USER_COMMON) == 1 &&
                strcmp(LDC_getBaseDNEx(&loaded), "dc=corp,dc=example") == 0;
    int cipher = ldap_passwd_verify(argv[1], argv[2]) == 1;
    int provider = ldap_verifyPasswdEx(&loaded, "dave", argv[3]) == 0;
    printf("store %d, cipher %d, provider %d\n", store, cipher, provider);
    return store && cipher && provider ? 0 : 1;
}
