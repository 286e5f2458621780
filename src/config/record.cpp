// The profile record: defaults, copy and the exported accessors.
#include "config/defaults.h"
#include "qorldap9.h"
#include "util/secret.h"
#include "util/text.h"

using qor::copy_bounded;

namespace {

void clear_strings(LDAP_Config *r) {
    memset(r->ProfileName, 0, sizeof r->ProfileName);
    memset(r->BaseDN, 0, sizeof r->BaseDN);
    memset(r->BindDN, 0, sizeof r->BindDN);
    memset(r->BindPwd, 0, sizeof r->BindPwd);
    memset(r->HostNames, 0, sizeof r->HostNames);
    memset(r->GString, 0, sizeof r->GString);
}

}  // namespace

extern "C" int QORLDAP9_CALL LDAP_Config_initializeEx(LDAP_Config *r) {
    clear_strings(r);
    r->Version = qor::kDefaultVersion;
    r->Port = 389;
    r->SizeLimit = 0;
    r->Timeout = 1;
    r->Deref = 2;
    r->Referal = 8;
    r->Ssl = 0;
    r->Anonymous = 1;
    r->RegLocation = -1;
    r->ReadOnly = 0;
    r->Reserved = 0;
    r->MBFlags = qor::kDefaultMBFlags;
    return 0;
}

extern "C" int QORLDAP9_CALL LDAP_Config_initializeAuxEx(LDAP_ConfigAux *aux) {
    memset(aux->KeyName, 0, sizeof aux->KeyName);
    return LDAP_Config_initializeEx(&aux->Config);
}

extern "C" void QORLDAP9_CALL LDAP_Config_copyEx(const LDAP_Config *s, LDAP_Config *d) {
    // Source fields are read within their own size, so an unterminated
    // field is cut rather than overrun.
    char tmp[LDC_BASEDN_SIZE + 1];
    auto copy = [&tmp](char *dst, size_t cap, const char *src, size_t srccap) {
        memcpy(tmp, src, srccap);
        tmp[srccap] = '\0';
        copy_bounded(dst, cap, tmp);
    };
    copy(d->ProfileName, sizeof d->ProfileName, s->ProfileName, sizeof s->ProfileName);
    copy(d->BaseDN, sizeof d->BaseDN, s->BaseDN, sizeof s->BaseDN);
    copy(d->BindDN, sizeof d->BindDN, s->BindDN, sizeof s->BindDN);
    copy(d->BindPwd, sizeof d->BindPwd, s->BindPwd, sizeof s->BindPwd);
    copy(d->HostNames, sizeof d->HostNames, s->HostNames, sizeof s->HostNames);
    copy(d->GString, sizeof d->GString, s->GString, sizeof s->GString);
    qor::secure_clear(tmp, sizeof tmp);  // the password passed through here
    d->Version = s->Version;
    d->Port = s->Port;
    d->SizeLimit = s->SizeLimit;
    d->Timeout = s->Timeout;
    d->Deref = s->Deref;
    d->Referal = s->Referal;
    d->Ssl = s->Ssl;
    d->Anonymous = s->Anonymous;
    d->RegLocation = s->RegLocation;
    d->ReadOnly = s->ReadOnly;
    d->Reserved = s->Reserved;
    d->MBFlags = s->MBFlags;
}

extern "C" char *QORLDAP9_CALL LDC_getProfineNameEx(LDAP_Config *r) { return r->ProfileName; }
extern "C" char *QORLDAP9_CALL LDC_getBaseDNEx(LDAP_Config *r) { return r->BaseDN; }
extern "C" char *QORLDAP9_CALL LDC_getBindDNEx(LDAP_Config *r) {
    return (r->MBFlags & LDC_MB_ANONYMOUS) ? nullptr : r->BindDN;
}
extern "C" char *QORLDAP9_CALL LDC_getRealBindDNEx(LDAP_Config *r) { return r->BindDN; }
extern "C" char *QORLDAP9_CALL LDC_getBindPwdEx(LDAP_Config *r) {
    return (r->MBFlags & LDC_MB_ANONYMOUS) ? nullptr : r->BindPwd;
}
extern "C" char *QORLDAP9_CALL LDC_getRealBindPwdEx(LDAP_Config *r) { return r->BindPwd; }
extern "C" char *QORLDAP9_CALL LDC_getHostNamesEx(LDAP_Config *r) { return r->HostNames; }
extern "C" char *QORLDAP9_CALL LDC_getGString(LDAP_Config *r) { return r->GString; }
extern "C" int32_t *QORLDAP9_CALL LDC_getVersionEx(LDAP_Config *r) { return &r->Version; }
extern "C" int32_t *QORLDAP9_CALL LDC_getPortEx(LDAP_Config *r) { return &r->Port; }
extern "C" int32_t *QORLDAP9_CALL LDC_getSizeLimitEx(LDAP_Config *r) { return &r->SizeLimit; }
extern "C" int32_t *QORLDAP9_CALL LDC_getTimeoutEx(LDAP_Config *r) { return &r->Timeout; }
extern "C" int32_t *QORLDAP9_CALL LDC_getDerefEx(LDAP_Config *r) { return &r->Deref; }
extern "C" int32_t *QORLDAP9_CALL LDC_getReferalEx(LDAP_Config *r) { return &r->Referal; }
extern "C" int32_t *QORLDAP9_CALL LDC_getRegLocationEx(LDAP_Config *r) { return &r->RegLocation; }
extern "C" int32_t *QORLDAP9_CALL LDC_getReadOnlyEx(LDAP_Config *r) { return &r->ReadOnly; }
extern "C" int32_t *QORLDAP9_CALL LDC_getmbFlags(LDAP_Config *r) { return &r->MBFlags; }

extern "C" int QORLDAP9_CALL LDC_isSslEx(const LDAP_Config *r) { return r->Ssl == 1 ? 1 : 0; }
extern "C" int QORLDAP9_CALL LDC_isAnonymousEx(const LDAP_Config *r) { return (r->MBFlags & LDC_MB_ANONYMOUS) ? 1 : 0; }

extern "C" void QORLDAP9_CALL LDC_setProfileNameEx(LDAP_Config *r, const char *v) { copy_bounded(r->ProfileName, v); }
extern "C" void QORLDAP9_CALL LDC_setBaseDNEx(LDAP_Config *r, const char *v) { copy_bounded(r->BaseDN, v); }
extern "C" void QORLDAP9_CALL LDC_setBindDNEx(LDAP_Config *r, const char *v) { copy_bounded(r->BindDN, v); }
extern "C" void QORLDAP9_CALL LDC_setBindPwdEx(LDAP_Config *r, const char *v) { copy_bounded(r->BindPwd, v); }
extern "C" void QORLDAP9_CALL LDC_setHostNamesEx(LDAP_Config *r, const char *v) { copy_bounded(r->HostNames, v); }
extern "C" void QORLDAP9_CALL LDC_setGString(LDAP_Config *r, const char *v) { copy_bounded(r->GString, v); }
extern "C" void QORLDAP9_CALL LDC_setVersionEx(LDAP_Config *r, int32_t v) { r->Version = v; }
extern "C" void QORLDAP9_CALL LDC_setPortEx(LDAP_Config *r, int32_t v) { r->Port = v; }
extern "C" void QORLDAP9_CALL LDC_setSizeLimitEx(LDAP_Config *r, int32_t v) { r->SizeLimit = v; }
extern "C" void QORLDAP9_CALL LDC_setTimeoutEx(LDAP_Config *r, int32_t v) { r->Timeout = v; }
extern "C" void QORLDAP9_CALL LDC_setDerefEx(LDAP_Config *r, int32_t v) { r->Deref = v; }
extern "C" void QORLDAP9_CALL LDC_setReferalEx(LDAP_Config *r, int32_t v) { r->Referal = v; }
extern "C" void QORLDAP9_CALL LDC_setSslEx(LDAP_Config *r, int32_t v) { r->Ssl = v; }
extern "C" void QORLDAP9_CALL LDC_setAnonymousEx(LDAP_Config *r, int32_t v) { r->Anonymous = v; }
extern "C" void QORLDAP9_CALL LDC_setRegLocationEx(LDAP_Config *r, int32_t v) { r->RegLocation = v; }
extern "C" void QORLDAP9_CALL LDC_setReadOnlyEx(LDAP_Config *r, int32_t v) { r->ReadOnly = v; }
extern "C" void QORLDAP9_CALL LDC_setmbFlags(LDAP_Config *r, int32_t v) { r->MBFlags = v; }
