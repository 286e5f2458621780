// The profile record: defaults, copy and the exported accessors.
#include "config/profile_fields.h"
#include "qorldap9.h"
#include "util/secret.h"
#include "util/text.h"

using qor::copy_bounded;
using qor::FieldKind;
using qor::kProfileFields;
using qor::ProfileField;

extern "C" int QORLDAP9_CALL LDAP_Config_initializeEx(LDAP_Config *r) {
    // Every byte of a text is cleared, not only the first.
    for (const ProfileField &f : kProfileFields) {
        if (f.kind == FieldKind::kText)
            memset(qor::text_of(*r, f), 0, f.size);
        else
            qor::number_of(*r, f) = f.initial;
    }
    return 0;
}

extern "C" int QORLDAP9_CALL LDAP_Config_initializeAuxEx(LDAP_ConfigAux *aux) {
    memset(aux->KeyName, 0, sizeof aux->KeyName);
    return LDAP_Config_initializeEx(&aux->Config);
}

extern "C" void QORLDAP9_CALL LDAP_Config_copyEx(const LDAP_Config *s, LDAP_Config *d) {
    // Source fields are read within their own size, so an unterminated
    // field is cut rather than overrun; the bytes behind the destination's
    // terminator stay as they were.
    char tmp[qor::kLongestText + 1];
    for (const ProfileField &f : kProfileFields) {
        if (f.kind == FieldKind::kNumber) {
            qor::number_of(*d, f) = qor::number_of(*s, f);
            continue;
        }
        std::string_view text = qor::text_view(*s, f);
        memcpy(tmp, text.data(), text.size());
        tmp[text.size()] = '\0';
        copy_bounded(qor::text_of(*d, f), f.size, tmp);
        if (f.secret) qor::secure_clear(tmp, sizeof tmp);
    }
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
