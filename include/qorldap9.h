/*
 * qorldap9 - LDAP connection profiles, sessions and password checks.
 *
 * The interface is flat: plain records with fixed arrays, pointers to
 * caller-owned memory and integer results. Callers own every record and
 * every output buffer. The library keeps three kinds of state between
 * calls, none of it in a caller's record: connections of the password
 * check kept open for the next check, the hosts that lately gave no answer
 * (tried after the others for 30 s), both process-wide, and each thread's
 * record of its last directory outcome (LDC_last...Ex).
 */
#ifndef QORLDAP9_H
#define QORLDAP9_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QORLDAP9_CALL __cdecl
#else
#define QORLDAP9_CALL
#endif

#if defined(_WIN32)
#if defined(QORLDAP9_BUILDING)
#define QORLDAP9_API __declspec(dllexport)
#else
#define QORLDAP9_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define QORLDAP9_API __attribute__((visibility("default")))
#else
#define QORLDAP9_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ */
/* Profile record                                                      */
/* ------------------------------------------------------------------ */

#define LDC_PROFILENAME_SIZE 51
#define LDC_BASEDN_SIZE 1024
#define LDC_BINDDN_SIZE 256
#define LDC_BINDPWD_SIZE 176
#define LDC_HOSTNAMES_SIZE 160
#define LDC_GSTRING_SIZE 255

/* One LDAP connection profile. The layout is fixed (1972 bytes): callers
 * compiled against any release share records with the library. */
typedef struct LDAP_Config {
    char ProfileName[LDC_PROFILENAME_SIZE];
    char BaseDN[LDC_BASEDN_SIZE];
    char BindDN[LDC_BINDDN_SIZE];
    char BindPwd[LDC_BINDPWD_SIZE];
    char HostNames[LDC_HOSTNAMES_SIZE];
    char GString[LDC_GSTRING_SIZE];
    /* two alignment bytes follow GString: neither cleared nor copied */
    int32_t Version;
    int32_t Port;
    int32_t SizeLimit;
    int32_t Timeout;
    int32_t Deref;
    int32_t Referal;
    int32_t Ssl;
    int32_t Anonymous;
    int32_t RegLocation;
    int32_t ReadOnly;
    int32_t Reserved;
    int32_t MBFlags;
} LDAP_Config;

/* Element of a caller-owned table of LDC_TABLE_SIZE profiles (2024 bytes). */
typedef struct LDAP_ConfigAux {
    char KeyName[LDC_PROFILENAME_SIZE];
    LDAP_Config Config;
} LDAP_ConfigAux;

#define LDC_TABLE_SIZE 10

/* MBFlags bits; only the low byte is examined. */
#define LDC_MB_POSIX 0x01      /* POSIX-style directory */
#define LDC_MB_AD 0x02         /* Active Directory */
#define LDC_MB_DEFAULT8 0x08   /* set in the default, not examined */
#define LDC_MB_ANONYMOUS 0x10  /* no bind credentials */
#define LDC_MB_SIMPLE 0x20     /* bind with the profile's credentials */
#define LDC_MB_INTEGRATED 0x40 /* Windows-integrated (negotiate) bind */
#define LDC_MB_DEFAULT 0x19

/* Location codes of stored profiles. */
#define LDC_LOC_USER_COMMON 0    /* current user, common profiles */
#define LDC_LOC_MACHINE_COMMON 1 /* local machine, common profiles */
#define LDC_LOC_USER_QUILLPANE 2 /* current user, Quillpane component */
#define LDC_LOC_NAMED_USER 3     /* a named user's key under the users root */

/* ------------------------------------------------------------------ */
/* Result codes. Each export says what it answers: the directory      */
/* operations answer 0 for success, the profile store 1, predicates 1  */
/* for yes. LDAP result codes of the client and registry error codes   */
/* pass through unchanged where the function says so.                  */
/* ------------------------------------------------------------------ */

#define LDC_TABLE_END 259            /* table load enumerated every subkey */
#define LDC_E_BAD_KEY 1010           /* registry key cannot be opened, or empty key name */
#define LDC_E_STORE_UNAVAILABLE 7000 /* the registry store component cannot be created */
#define LDC_E_NOT_IN_TABLE 7001      /* profile name not found in the table */
#define LDC_E_SERVER_LISTED 7006     /* server already in the list */
#define LDC_E_BAD_HOST 7007          /* host name holds a character other than A-Z a-z 0-9 - */
#define LDC_E_BAD_PORT 7008          /* port 0 or above 65535 */
#define LDC_E_SERVER_LIST_FULL 7009  /* the server list would exceed its 159 characters */
#define LDC_E_NO_USER_ENTRY 7011     /* schema check found no user entry */
#define LDC_E_OLD_PASSWORD 7015      /* old password did not verify before a change */
#define LDC_E_CHANGE_FAILED 7016     /* the change step failed */
#define LDC_E_PLAIN_INIT 7017        /* opening a plain session for the password check failed */
#define LDC_E_SSL_INIT 7018          /* opening an SSL session for the password check failed */
#define LDC_E_PASSWORD_REFUSED 7020  /* password check failed */
#define LDC_E_AD_NEEDS_SSL 7028      /* Active Directory password change without SSL */

/* ------------------------------------------------------------------ */
/* Platform handle types                                               */
/* ------------------------------------------------------------------ */

/* The LDAP session handle is the platform LDAP client's own handle
 * (WLDAP32 on Windows, OpenLDAP's libldap elsewhere): callers may use
 * it with that client directly and close it with the client's unbind. */
struct ldap;

#if defined(_WIN32)
typedef struct HKEY__ *LDC_HKEY;
#else
typedef struct LDC_HKEY__ *LDC_HKEY;
#endif
#define LDC_HKEY_CURRENT_USER ((LDC_HKEY)(intptr_t)(int32_t)0x80000001u)
#define LDC_HKEY_LOCAL_MACHINE ((LDC_HKEY)(intptr_t)(int32_t)0x80000002u)
#define LDC_HKEY_USERS ((LDC_HKEY)(intptr_t)(int32_t)0x80000003u)

/* A caller's chain of fixed-size records released by destroy_list. */
typedef struct LDC_ListNode {
    char Payload[1200];
    struct LDC_ListNode *Next;
} LDC_ListNode;

/* ------------------------------------------------------------------ */
/* Profile record: initialisation, copy, accessors (src/config/)      */
/* ------------------------------------------------------------------ */

/* The initialisers answer 0. The getters answer a pointer into the
 * record's own field. */

QORLDAP9_API int QORLDAP9_CALL LDAP_Config_initializeEx(LDAP_Config *record);
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_initializeAuxEx(LDAP_ConfigAux *aux);
/* Strings longer than the destination's field are cut to fit it. */
QORLDAP9_API void QORLDAP9_CALL LDAP_Config_copyEx(const LDAP_Config *source, LDAP_Config *destination);

QORLDAP9_API char *QORLDAP9_CALL LDC_getProfineNameEx(LDAP_Config *record);
QORLDAP9_API char *QORLDAP9_CALL LDC_getBaseDNEx(LDAP_Config *record);
QORLDAP9_API char *QORLDAP9_CALL LDC_getBindDNEx(LDAP_Config *record); /* null when anonymous */
QORLDAP9_API char *QORLDAP9_CALL LDC_getRealBindDNEx(LDAP_Config *record);
QORLDAP9_API char *QORLDAP9_CALL LDC_getBindPwdEx(LDAP_Config *record); /* null when anonymous */
QORLDAP9_API char *QORLDAP9_CALL LDC_getRealBindPwdEx(LDAP_Config *record);
QORLDAP9_API char *QORLDAP9_CALL LDC_getHostNamesEx(LDAP_Config *record);
QORLDAP9_API char *QORLDAP9_CALL LDC_getGString(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getVersionEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getPortEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getSizeLimitEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getTimeoutEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getDerefEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getReferalEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getRegLocationEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getReadOnlyEx(LDAP_Config *record);
QORLDAP9_API int32_t *QORLDAP9_CALL LDC_getmbFlags(LDAP_Config *record);

QORLDAP9_API int QORLDAP9_CALL LDC_isSslEx(const LDAP_Config *record);       /* 1 only for Ssl == 1 */
QORLDAP9_API int QORLDAP9_CALL LDC_isAnonymousEx(const LDAP_Config *record); /* MBFlags bit 0x10 */

/* String setters cut a value longer than its field to fit it. */
QORLDAP9_API void QORLDAP9_CALL LDC_setProfileNameEx(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setBaseDNEx(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setBindDNEx(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setBindPwdEx(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setHostNamesEx(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setGString(LDAP_Config *record, const char *value);
QORLDAP9_API void QORLDAP9_CALL LDC_setVersionEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setPortEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setSizeLimitEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setTimeoutEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setDerefEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setReferalEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setSslEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setAnonymousEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setRegLocationEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setReadOnlyEx(LDAP_Config *record, int32_t value);
QORLDAP9_API void QORLDAP9_CALL LDC_setmbFlags(LDAP_Config *record, int32_t value);

/* ------------------------------------------------------------------ */
/* Server list and DN helpers (src/config/)                            */
/* ------------------------------------------------------------------ */

/* The number of hosts in HostNames. */
QORLDAP9_API int QORLDAP9_CALL LDC_getNumServersEx(const LDAP_Config *record);
/* 0, LDC_E_BAD_HOST, LDC_E_BAD_PORT, LDC_E_SERVER_LISTED or LDC_E_SERVER_LIST_FULL. */
QORLDAP9_API int QORLDAP9_CALL LDC_addServerEx(LDAP_Config *record, const char *host, int32_t port);
/* dn must hold the user string and its terminator when the user holds a
 * comma, else the user, BaseDN, 15 characters and a terminator. A bare
 * name is escaped as a DN value (RFC 4514); when the escaped DN would not
 * fit that room, dn is set to the empty string. */
QORLDAP9_API void QORLDAP9_CALL LDC_formUserDNEx(const LDAP_Config *record, const char *user, char *dn);
/* Writes the DNS domain of BaseDN ("o=" or "dc=" parts joined by dots)
 * into domain: 1 when it fits size bytes with its terminator, else 0. */
QORLDAP9_API int QORLDAP9_CALL LDC_formDnsDomainEx(const LDAP_Config *record, char *domain, int32_t size);

/* ------------------------------------------------------------------ */
/* Profile store (src/store/)                                          */
/* ------------------------------------------------------------------ */

/* loadEx: 1 when every value of the profile was read into record, 0
 * otherwise. saveEx: 1 when the profile was written whole (one
 * transaction), 0 when nothing was. */
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_loadEx(LDAP_Config *record, const char *name, int32_t location);
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_saveEx(LDAP_Config *record, const char *name, int32_t location);
/* resetEx: deletes the profile of the current user (machine 0) or of the
 * machine; 1 when it was deleted, 0 otherwise. */
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_resetEx(const char *name, int32_t machine);
/* loadAllAuxEx: fills table (LDC_TABLE_SIZE entries) with the first
 * profiles at location; LDC_TABLE_END when every key was enumerated,
 * LDC_E_STORE_UNAVAILABLE, LDC_E_BAD_KEY, or the registry's error code. */
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_loadAllAuxEx(LDAP_ConfigAux *table, int32_t location);
/* searchEx: the index of name in table, or LDC_E_NOT_IN_TABLE. */
QORLDAP9_API int QORLDAP9_CALL LDAP_Config_searchEx(const LDAP_ConfigAux *table, const char *name);
/* setFallBack: 1 when the flag was written, 0 otherwise. isFallBack: 1
 * when the flag at location is 1, else 0. */
QORLDAP9_API int QORLDAP9_CALL LDC_setFallBack(int32_t value, int32_t location);
QORLDAP9_API int QORLDAP9_CALL LDC_isFallBack(int32_t location);
/* Deletes path below key with every key under it: 0 (ERROR_SUCCESS), the
 * registry's error code, or LDC_E_BAD_KEY for an empty path. */
QORLDAP9_API int32_t QORLDAP9_CALL LDC_RegDeleteKeyNT(LDC_HKEY key, const char *path);

/* ------------------------------------------------------------------ */
/* Directory operations (src/directory/, the NTLM logon in src/ntlm/)  */
/* ------------------------------------------------------------------ */

/* ldapInitEx, ldapAuthEx, ldap_verifyConfigEx: 0 or the LDAP result code
 * of the step that failed. */
QORLDAP9_API int QORLDAP9_CALL ldapInitEx(struct ldap **session, LDAP_Config *record);
/* ldapAuthEx: a profile whose MBFlags name no way to bind (none of 0x10,
 * 0x20, 0x40) gets 7 (authMethodNotSupported) and no bind request, so
 * that it is never taken for a bound session. A bind DN formed from
 * BindDN and BaseDN that does not fit its 255 characters is refused with
 * 89 (parameter error) rather than cut into another DN. A credential bind
 * with a DN and an empty password, which servers may take for an
 * anonymous bind and answer with success, is refused with 49 (invalid
 * credentials) without a request. */
QORLDAP9_API int QORLDAP9_CALL ldapAuthEx(struct ldap *session, LDAP_Config *record);
QORLDAP9_API int QORLDAP9_CALL ldap_verifyConfigEx(LDAP_Config *record);
/* ldap_validateSchema: a profile with neither 0x01 nor 0x02 names no kind
 * of account; after the open and the bind it gets 7011 without a search. */
QORLDAP9_API int QORLDAP9_CALL ldap_validateSchema(LDAP_Config *record);
/* The client's static text for an LDAP result code. */
QORLDAP9_API char *QORLDAP9_CALL ldap_Err2String(int code);
QORLDAP9_API void QORLDAP9_CALL destroy_list(LDC_ListNode *head);

/* ldap_verifyPasswdEx: 0, LDC_E_PLAIN_INIT, LDC_E_SSL_INIT or
 * LDC_E_PASSWORD_REFUSED. An empty password, a null or empty user, and a
 * user whose DN would not fit 1556 characters (more than any user string
 * of up to 259 characters under a BaseDN forms) never verify, and no
 * server is contacted for them. The session uses SSL for any nonzero Ssl
 * and never follows a referral: a referral answer is a refusal.
 * A password that must be changed because an administrator reset it is
 * treated as each directory treats it: an OpenLDAP server with the
 * password policy lets the bind succeed, so the check gives 0 with the
 * reason LDC_REASON_MUST_CHANGE (LDC_lastReasonEx), while Active Directory
 * refuses the bind (AD 773) and the check gives LDC_E_PASSWORD_REFUSED
 * with the same reason. A caller that must not let a temporary password
 * log on reads the reason after a 0 as well. */
QORLDAP9_API int QORLDAP9_CALL ldap_verifyPasswdEx(LDAP_Config *record, const char *user, const char *password);
/* ldapPasswordEx: 0, LDC_E_AD_NEEDS_SSL, LDC_E_OLD_PASSWORD or
 * LDC_E_CHANGE_FAILED, in that order of checks. A null or empty user gets
 * LDC_E_OLD_PASSWORD and a null or empty new password LDC_E_CHANGE_FAILED,
 * without contacting a server. Sessions use SSL for any nonzero Ssl (an
 * Active Directory change still needs Ssl 1) and never follow referrals:
 * a referral answer to the change is LDC_E_CHANGE_FAILED. Active
 * Directory values are the UTF-16LE of the quoted password (UTF-8 text
 * decoded), of any length. On Active Directory profiles (0x02) a new
 * password that is not valid UTF-8 is refused with LDC_E_CHANGE_FAILED
 * before any server is contacted: the directory would store it decoded,
 * and no later check, which sends the bytes as they stand, could match
 * it. When user is the profile's bind user and the profile could not keep
 * the new password (longer than 175 characters), the change is refused
 * before the directory is touched. */
QORLDAP9_API int QORLDAP9_CALL ldapPasswordEx(LDAP_Config *record, const char *user, const char *old_password,
                                              const char *new_password);

/* ldap_passwd_verify: 1 when candidate matches the stored value: clear
 * text, or tagged (any letter case) {SHA}, {SSHA}, {SHA256}, {SSHA256},
 * {SHA384}, {SSHA384}, {SHA512}, {SSHA512}, {MD5}, {SMD5}, {crypt},
 * {ARGON2}, {PBKDF2}, {PBKDF2-SHA1}, {PBKDF2-SHA256} or {PBKDF2-SHA512}
 * (the last five not on Windows). A value with any other tag ("{",
 * letters, digits or "-", "}") never matches, nor does one whose cost
 * (crypt rounds, bcrypt cost, memory) is beyond the library's caps.
 * Comparisons take time that does not depend on where values differ. */
QORLDAP9_API int QORLDAP9_CALL ldap_passwd_verify(const char *stored, const char *candidate);
/* ldapPasswdSource: 0 when value begins with "{", else 1. */
QORLDAP9_API int QORLDAP9_CALL ldapPasswdSource(const char *value);

/* ------------------------------------------------------------------ */
/* Extensions: why the last directory operation failed (src/directory/) */
/* ------------------------------------------------------------------ */

/* Every export that talks to a directory (ldapInitEx, ldapAuthEx,
 * ldap_verifyConfigEx, ldap_validateSchema, ldap_verifyPasswdEx,
 * ldapPasswordEx) first clears a record kept for the calling thread and
 * then fills it with the last step it took: which step, the result code
 * that step got, the server's diagnostic text and a reason decoded from
 * them. Other threads' calls never change it. The results of the exports
 * above are the same whether or not anyone reads the record. No password
 * given to the library is ever kept in it: a diagnostic that repeats one
 * has it replaced by "***". */

/* Steps (LDC_lastStepEx). */
#define LDC_STEP_NONE 0    /* no directory step: nothing tried yet, or refused before any contact */
#define LDC_STEP_CONNECT 1 /* opening the session or reaching the server */
#define LDC_STEP_TLS 2     /* the TLS handshake */
#define LDC_STEP_BIND 3    /* a bind */
#define LDC_STEP_SEARCH 4  /* a search */
#define LDC_STEP_MODIFY 5  /* a modify request (the password change) */
#define LDC_STEP_LOGON 6   /* the NTLM logon check (result 0 accepted, 49 refused) */
/* The two ways of a change whose old password Active Directory took but
 * refused a bind with until it is changed (AD 532 expired, 773 must
 * change): ldapPasswordEx tries the first where the profile has a bind
 * user, the second where it has none or the bind user may not change it
 * (and on Windows only the first). */
#define LDC_STEP_BIND_USER_MODIFY 7 /* the modify request, on a session bound as the profile's bind user */
/* The Kerberos password change (RFC 3244), its results as LDAP's: 0
 * changed, 49 old password refused, 19 new one refused by the policy, 81
 * no KDC answered, 80 any other failure. */
#define LDC_STEP_KPASSWD 8

/* Reasons (LDC_lastReasonEx). Where the reason carries a number,
 * LDC_lastReasonValueEx gives it; otherwise that is 0. "Password policy"
 * is the password-policy response control (draft-behera-ldap-password-
 * policy), which the password check and change request from the server;
 * WLDAP32's simple bind carries no controls, so on Windows those reasons
 * come only from Active Directory's diagnostic texts. */
#define LDC_REASON_NONE 0                /* the step succeeded and the server added nothing */
#define LDC_REASON_UNKNOWN 1             /* the step failed for a reason not named here */
#define LDC_REASON_INVALID_CREDENTIALS 2 /* wrong password or no such user (AD 52e; LDAP 49) */
#define LDC_REASON_NO_SUCH_USER 3        /* AD 525 */
#define LDC_REASON_LOGON_HOURS 4         /* AD 530: not allowed to log on at this time */
#define LDC_REASON_WORKSTATION 5         /* AD 531: not allowed to log on from this workstation */
#define LDC_REASON_PASSWORD_EXPIRED 6    /* AD 532; password policy "expired" */
#define LDC_REASON_ACCOUNT_DISABLED 7    /* AD 533 */
#define LDC_REASON_ACCOUNT_EXPIRED 8     /* AD 701 */
#define LDC_REASON_MUST_CHANGE 9         /* AD 773; password policy "change after reset" */
#define LDC_REASON_LOCKED_OUT 10         /* AD 775; password policy "account locked" */
#define LDC_REASON_GRACE_LOGINS 11       /* password expired, logins left: the value (bind succeeded) */
#define LDC_REASON_EXPIRES_SOON 12       /* seconds until the password expires: the value (bind succeeded) */
#define LDC_REASON_POLICY_REFUSED 13     /* the new password breaks the password policy (AD 0000052D) */
#define LDC_REASON_TOO_SHORT 14          /* policy: too short; the value is the minimum length when known */
#define LDC_REASON_TOO_LONG 15           /* policy: too long; the value is the maximum length when known */
#define LDC_REASON_NOT_COMPLEX 16        /* policy: quality or complexity rules not met */
#define LDC_REASON_IN_HISTORY 17         /* policy: used before */
#define LDC_REASON_TOO_YOUNG 18          /* policy: the current password may not be changed yet */
#define LDC_REASON_CHANGE_NOT_ALLOWED 19 /* policy: the user may not change the password */
#define LDC_REASON_ACCESS_DENIED 20      /* LDAP 50: the directory does not allow the request */
#define LDC_REASON_TLS_REQUIRED 21       /* LDAP 8 or 13 on a bind: the server requires TLS */
#define LDC_REASON_TLS_CERTIFICATE 22    /* the server's certificate was not accepted */
#define LDC_REASON_SERVER_DOWN 23        /* no server of the list could be reached */
#define LDC_REASON_TIMEOUT 24            /* the server did not answer in time */
#define LDC_REASON_LOGON_REFUSED 25      /* the NTLM logon check refused the credentials */
#define LDC_REASON_NO_HOST 26            /* the profile's HostNames lists no host */
#define LDC_REASON_OUTCOME_UNKNOWN 27    /* a change was sent and never answered: the directory may yet apply it */

/* The step, result code, reason and reason value of this thread's last
 * directory operation. */
QORLDAP9_API int32_t QORLDAP9_CALL LDC_lastStepEx(void);
QORLDAP9_API int32_t QORLDAP9_CALL LDC_lastResultEx(void);
QORLDAP9_API int32_t QORLDAP9_CALL LDC_lastReasonEx(void);
QORLDAP9_API int32_t QORLDAP9_CALL LDC_lastReasonValueEx(void);
/* Copies the server's diagnostic text of that step (the empty string when
 * it sent none) into text: 1 and the whole text when it fits size bytes
 * with its terminator; 0 and the empty string (when size > 0) otherwise. */
QORLDAP9_API int32_t QORLDAP9_CALL LDC_lastDiagnosticEx(char *text, int32_t size);

/* ------------------------------------------------------------------ */
/* Extensions: words for the codes, and the version (src/interface/)   */
/* ------------------------------------------------------------------ */

/* What LDC_codeTextEx describes. */
#define LDC_TEXT_RESULT 0      /* a result code of an export: LDC_E_*, LDC_TABLE_END or an LDAP result code */
#define LDC_TEXT_REASON 1      /* an LDC_REASON_* value, with LDC_lastReasonValueEx's value */
#define LDC_TEXT_REASON_NAME 2 /* the short name of an LDC_REASON_* value ("must_change"), for scripts */

/* Copies into text an English sentence saying what code means, as
 * kind says: for a reason that carries a number, the number is part of
 * the sentence when value is not 0; LDC_REASON_NONE and LDC_REASON_UNKNOWN
 * have the empty sentence. A result code the library does not name gets
 * the LDAP client's text for it. Returns 1 and the whole text when it fits
 * size bytes with its terminator; 0 and the empty string (when size > 0)
 * when it does not, or for an unknown kind or reason. */
QORLDAP9_API int32_t QORLDAP9_CALL LDC_codeTextEx(int32_t kind, int32_t code, int32_t value, char *text, int32_t size);

/* Returns the library's version, "major.minor.patch", as a string that
 * stays valid while the library is loaded. */
QORLDAP9_API const char *QORLDAP9_CALL LDC_versionEx(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layout is part of the interface. */
#ifdef __cplusplus
#define QORLDAP9_STATIC_ASSERT static_assert
#else
#define QORLDAP9_STATIC_ASSERT _Static_assert
#endif
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, ProfileName) == 0, "ProfileName offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, BaseDN) == 51, "BaseDN offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, BindDN) == 1075, "BindDN offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, BindPwd) == 1331, "BindPwd offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, HostNames) == 1507, "HostNames offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, GString) == 1667, "GString offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Version) == 1924, "Version offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Port) == 1928, "Port offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, SizeLimit) == 1932, "SizeLimit offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Timeout) == 1936, "Timeout offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Deref) == 1940, "Deref offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Referal) == 1944, "Referal offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Ssl) == 1948, "Ssl offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Anonymous) == 1952, "Anonymous offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, RegLocation) == 1956, "RegLocation offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, ReadOnly) == 1960, "ReadOnly offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, Reserved) == 1964, "Reserved offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_Config, MBFlags) == 1968, "MBFlags offset");
QORLDAP9_STATIC_ASSERT(sizeof(LDAP_Config) == 1972, "LDAP_Config size");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_ConfigAux, KeyName) == 0, "KeyName offset");
QORLDAP9_STATIC_ASSERT(offsetof(LDAP_ConfigAux, Config) == 52, "Config offset");
QORLDAP9_STATIC_ASSERT(sizeof(LDAP_ConfigAux) == 2024, "LDAP_ConfigAux size");
QORLDAP9_STATIC_ASSERT(offsetof(LDC_ListNode, Next) == 1200, "list node link offset");

#endif /* QORLDAP9_H */
