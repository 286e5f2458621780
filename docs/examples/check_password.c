/* Checks a user's password against an LDAP directory with qorldap9: saves
 * a profile for the directory, loads it back, checks the password with it,
 * and says why when the directory refuses.
 *
 *   cc check_password.c $(pkg-config --cflags --libs qorldap9) -o check_password
 *   printf '%s\n' "$PASSWORD" | ./check_password HOST:PORT BASE USER
 *
 * Exit status: 0 the password is right, 1 refused, 2 usage. */
#include <qorldap9.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s HOST:PORT BASE USER  (the password: one line of standard input)\n", argv[0]);
        return 2;
    }
    const char *host = argv[1], *base = argv[2], *user = argv[3];
    char password[256] = "";
    if (fgets(password, sizeof password, stdin) == NULL) return 2;
    password[strcspn(password, "\r\n")] = '\0';

    /* A profile for a POSIX-style directory searched anonymously; saved
     * among the current user's profiles, where `qorldap show example`
     * finds it too. */
    LDAP_Config profile;
    LDAP_Config_initializeEx(&profile);
    LDC_setHostNamesEx(&profile, host);
    LDC_setBaseDNEx(&profile, base);
    LDC_setmbFlags(&profile, LDC_MB_POSIX | LDC_MB_ANONYMOUS);
    LDC_setAnonymousEx(&profile, 1);
    if (LDAP_Config_saveEx(&profile, "example", LDC_LOC_USER_COMMON) != 1) {
        fprintf(stderr, "the profile could not be saved\n");
        return 1;
    }

    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    if (LDAP_Config_loadEx(&loaded, "example", LDC_LOC_USER_COMMON) != 1) {
        fprintf(stderr, "the profile could not be loaded\n");
        return 1;
    }
    int rc = ldap_verifyPasswdEx(&loaded, user, password);
    memset(password, 0, sizeof password);
    if (rc == 0) {
        printf("qorldap9 %s: the directory accepted %s's password\n", LDC_versionEx(), user);
        return 0;
    }
    /* The library's words for the code and for the directory's reason. */
    char meaning[256], reason[256];
    LDC_codeTextEx(LDC_TEXT_RESULT, rc, 0, meaning, sizeof meaning);
    LDC_codeTextEx(LDC_TEXT_REASON, LDC_lastReasonEx(), LDC_lastReasonValueEx(), reason, sizeof reason);
    printf("refused (%d, %s): %s\n", rc, meaning, reason[0] ? reason : "no reason given");
    return 1;
}
