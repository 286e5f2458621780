// Is this password right for this user? The directory decides, by a
// simple bind as the user, or the NTLM logon check for Active Directory
// profiles with integrated bind.
#include <string>

#include "config/user_dn.h"
#include "directory/host_failover.h"
#include "directory/last_outcome.h"
#include "directory/logon_names.h"
#include "directory/session_open.h"
#include "ntlm/logon_check.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace {

constexpr size_t kDomainSize = 260;

bool integrated(const LDAP_Config *r) { return (r->MBFlags & LDC_MB_AD) && (r->MBFlags & LDC_MB_INTEGRATED); }

int check_by_logon(LDAP_Config *r, const char *user, const char *password) {
    char dns[kDomainSize] = {0};
    LDC_formDnsDomainEx(r, dns, sizeof dns);
    std::string domain = qor::logon_domain(dns);
    std::string name;
    if (!qor::logon_user(user, name)) return LDC_E_PASSWORD_REFUSED;
    if (qor::is_logon_name(r, user)) qor::split_down_level(name, domain);
    bool logged_on = qor::ntlm_logonCheck(domain.empty() ? nullptr : domain.c_str(), name.c_str(), password) == 1;
    if (logged_on)
        qor::outcome_note_reason(LDC_STEP_LOGON, LDAP_SUCCESS, LDC_REASON_NONE);
    else
        qor::outcome_note_reason(LDC_STEP_LOGON, LDAP_INVALID_CREDENTIALS, LDC_REASON_LOGON_REFUSED);
    return logged_on ? 0 : LDC_E_PASSWORD_REFUSED;
}

}  // namespace

extern "C" int QORLDAP9_CALL ldap_verifyPasswdEx(LDAP_Config *r, const char *user, const char *password) {
    qor::outcome_begin();
    qor::OutcomeSecrets secrets(password);
    // An empty password makes a simple bind an unauthenticated one, which
    // servers may answer with success: it never verifies.
    if (user == nullptr || *user == '\0' || password == nullptr || *password == '\0') return LDC_E_PASSWORD_REFUSED;
    char dn[qor::kUserDnSize] = {0};
    if (!qor::form_bind_name(r, user, dn, sizeof dn)) return LDC_E_PASSWORD_REFUSED;
    bool by_logon = integrated(r);
    if (!by_logon && dn[0] == '\0') return LDC_E_PASSWORD_REFUSED;

    if (by_logon) {
        LDAP *ld = qor::open_password_session(r);
        if (ld == nullptr) return qor::password_session_init_error(r);
        int rc = check_by_logon(r, user, password);  // the session stays unbound
        qor::platform::unbind(ld);
        return rc;
    }
    // A kept session is bound again; a bind replaces the one before it.
    int rc = qor::bind_on_answering_host(r, dn, password, true);
    if (rc == -1) return qor::password_session_init_error(r);
    return rc == 0 ? 0 : LDC_E_PASSWORD_REFUSED;
}
