#include "directory/profile_bind.h"

#include <string>

#include "config/user_dn.h"
#include "directory/directory_session.h"
#include "util/text.h"

namespace qor {

Secret profile_bind_password(LDAP_Config *r) {
    Secret pw;
    if (LDC_getBindPwdEx(r) != nullptr) pw.assign(field_view(r->BindPwd));
    return pw;
}

DirectoryResult bind_as_profile(LDAP *session, LDAP_Config *record, const Secret &pw, int *refused) {
    const int flags = record->MBFlags & 0xFF;
    const bool simple = (flags & (LDC_MB_ANONYMOUS | LDC_MB_SIMPLE)) != 0;
    const bool integrated = (flags & LDC_MB_INTEGRATED) != 0;
    *refused = 0;
    if (!simple && !integrated) {
        *refused = LDAP_AUTH_METHOD_NOT_SUPPORTED;
        return {};
    }
    const SessionLimits limits = session_limits();
    DirectoryResult result;
    if (simple) {
        char dn[kUserDnSize];
        dn[0] = '\0';
        // BindDN is read only within its field: a record whose field is
        // not terminated binds with what the field holds, never beyond it.
        const bool anonymous = LDC_getBindDNEx(record) == nullptr;
        std::string bind_dn = anonymous ? std::string() : field_text(record->BindDN);
        if (!form_bind_name(record, anonymous ? nullptr : bind_dn.c_str(), dn, sizeof dn)) {
            *refused = platform::kParamError;
            return {};
        }
        const bool has_password = LDC_getBindPwdEx(record) != nullptr;
        // A DN without a password is an unauthenticated bind, not the
        // credential bind the profile asks for.
        if (dn[0] != '\0' && (!has_password || pw.empty())) {
            result = known_result(LDC_STEP_NONE, LDAP_INVALID_CREDENTIALS, LDC_REASON_INVALID_CREDENTIALS);
        } else {
            int rc = platform::simple_bind_s(session, dn, has_password ? pw.c_str() : nullptr, limits.bind);
            result = step_result(LDC_STEP_BIND, rc, session);
        }
    }
    if (integrated) {
        // Its result replaces the simple bind's: a profile with both bits
        // is bound when the negotiate bind succeeds.
        result = step_result(LDC_STEP_CONNECT, platform::connect(session, limits.connect), session);
        if (result.ok()) result = step_result(LDC_STEP_BIND, platform::negotiate_bind_s(session), session);
    }
    return result;
}

LDAP *open_bound_profile_session(LDAP_Config *record, const Secret &pw, DirectoryResult &result, int *code) {
    LDAP *ld = open_profile_session(record, result);
    *code = result.code;
    if (ld == nullptr) return nullptr;
    int refused = 0;
    result = bind_as_profile(ld, record, pw, &refused);
    *code = refused != 0 ? refused : result.code;
    return ld;
}

}  // namespace qor
