// Session open, bind and the configuration check.
#include "config/user_dn.h"
#include "directory/last_outcome.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/secret.h"
#include "util/text.h"

namespace pf = qor::platform;

extern "C" int QORLDAP9_CALL ldapInitEx(LDAP **session, LDAP_Config *record) {
    qor::outcome_begin();
    if (session == nullptr) return pf::kParamError;
    *session = nullptr;
    if (record == nullptr) return pf::kParamError;

    std::string hosts = qor::field_text(record->HostNames);
    // Any nonzero Ssl selects SSL here, not only the 1 of LDC_isSslEx.
    LDAP *ld = record->Ssl != 0 ? pf::ldap_sslinit(hosts.c_str(), record->Port, 1)
                                : pf::ldap_init(hosts.c_str(), record->Port);
    *session = ld;
    if (ld == nullptr) {
        int rc = pf::last_error();
        qor::outcome_note(LDC_STEP_CONNECT, rc, nullptr);
        return rc;
    }

    // Every option is attempted; a value the client refuses leaves its
    // default in force.
    pf::set_option(ld, pf::kOptProtocolVersion, LDC_getVersionEx(record));
    pf::set_option(ld, pf::kOptSizeLimit, LDC_getSizeLimitEx(record));
    pf::set_option(ld, pf::kOptTimeLimit, LDC_getTimeoutEx(record));
    pf::set_option(ld, pf::kOptDeref, LDC_getDerefEx(record));
    pf::set_option(ld, pf::kOptReferrals, LDC_getReferalEx(record));
    return LDAP_SUCCESS;
}

extern "C" int QORLDAP9_CALL ldapAuthEx(LDAP *session, LDAP_Config *record) {
    qor::outcome_begin();
    if (session == nullptr || record == nullptr) return pf::kParamError;
    const int flags = record->MBFlags & 0xFF;
    const bool simple = (flags & (LDC_MB_ANONYMOUS | LDC_MB_SIMPLE)) != 0;
    const bool integrated = (flags & LDC_MB_INTEGRATED) != 0;
    if (!simple && !integrated) return LDAP_AUTH_METHOD_NOT_SUPPORTED;

    int rc = LDAP_SUCCESS;
    if (simple) {
        char dn[qor::kUserDnSize];
        dn[0] = '\0';
        // BindDN is read only within its field: a record whose field is
        // not terminated binds with what the field holds, never beyond it.
        const bool anonymous = LDC_getBindDNEx(record) == nullptr;
        std::string bind_dn = anonymous ? std::string() : qor::field_text(record->BindDN);
        if (!qor::form_bind_name(record, anonymous ? nullptr : bind_dn.c_str(), dn, sizeof dn)) return pf::kParamError;
        const char *password = LDC_getBindPwdEx(record);
        qor::Secret pw;
        if (password != nullptr) pw.assign(qor::field_view(record->BindPwd));
        qor::OutcomeSecrets secrets(pw.c_str());
        // A DN without a password is an unauthenticated bind, not the
        // credential bind the profile asks for.
        bool unauthenticated = dn[0] != '\0' && (password == nullptr || pw.empty());
        if (unauthenticated) {
            rc = LDAP_INVALID_CREDENTIALS;
            qor::outcome_note_reason(LDC_STEP_NONE, rc, LDC_REASON_INVALID_CREDENTIALS);
        } else {
            rc = pf::simple_bind_s(session, dn, password != nullptr ? pw.c_str() : nullptr);
            qor::outcome_note(LDC_STEP_BIND, rc, session);
        }
    }
    if (integrated) {
        // Its result replaces the simple bind's: a profile with both bits
        // is bound when the negotiate bind succeeds.
        rc = pf::connect(session);
        qor::outcome_note(LDC_STEP_CONNECT, rc, session);
        if (rc == LDAP_SUCCESS) {
            rc = pf::negotiate_bind_s(session);
            qor::outcome_note(LDC_STEP_BIND, rc, session);
        }
    }
    return rc;
}

extern "C" int QORLDAP9_CALL ldap_verifyConfigEx(LDAP_Config *record) {
    LDAP *ld = nullptr;
    int rc = ldapInitEx(&ld, record);
    if (rc != LDAP_SUCCESS) {
        pf::unbind(ld);  // null after a failed open; kept for symmetry
        return rc;
    }
    rc = ldapAuthEx(ld, record);
    pf::unbind(ld);
    return rc;
}
