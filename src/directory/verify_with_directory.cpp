// Is this password right for this user? The directory decides, by a
// simple bind as the user, or the NTLM logon check for Active Directory
// profiles with integrated bind.
#include <string>

#include "config/user_dn.h"
#include "directory/directory_session.h"
#include "directory/last_outcome.h"
#include "directory/logon_names.h"
#include "directory/password_verify.h"
#include "ntlm/logon_check.h"
#include "qorldap9.h"

namespace {

constexpr size_t kDomainSize = 260;

bool integrated(const LDAP_Config *r) { return (r->MBFlags & LDC_MB_AD) && (r->MBFlags & LDC_MB_INTEGRATED); }

qor::DirectoryResult check_by_logon(LDAP_Config *r, const char *user, const char *password) {
    char dns[kDomainSize] = {0};
    LDC_formDnsDomainEx(r, dns, sizeof dns);
    std::string domain = qor::logon_domain(dns);
    std::string name;
    if (!qor::logon_user(user, name)) return {};
    if (qor::is_logon_name(r, user)) qor::split_down_level(name, domain);
    if (qor::ntlm_logon_check(domain.empty() ? nullptr : domain.c_str(), name.c_str(), password))
        return qor::known_result(LDC_STEP_LOGON, LDAP_SUCCESS, LDC_REASON_NONE);
    return qor::known_result(LDC_STEP_LOGON, LDAP_INVALID_CREDENTIALS, LDC_REASON_LOGON_REFUSED);
}

}  // namespace

namespace qor {

DirectoryResult verify_password(LDAP_Config *r, const char *user, const char *password) {
    // An empty password makes a simple bind an unauthenticated one, which
    // servers may answer with success: it never verifies.
    if (user == nullptr || *user == '\0' || password == nullptr || *password == '\0') return {};
    char dn[kUserDnSize] = {0};
    if (!form_bind_name(r, user, dn, sizeof dn)) return {};
    if (integrated(r)) {
        DirectoryResult opening = password_session_opens(r);
        if (opening.no_session) return opening;
        return check_by_logon(r, user, password);  // no bind: the session only had to open
    }
    if (dn[0] == '\0') return {};
    // A kept session is bound again; a bind replaces the one before it.
    return bind_on_answering_host(r, dn, password, true);
}

}  // namespace qor

extern "C" int QORLDAP9_CALL ldap_verifyPasswdEx(LDAP_Config *r, const char *user, const char *password) {
    qor::OutcomeSecrets secrets(password);
    qor::DirectoryResult result = qor::verify_password(r, user, password);
    int code = LDC_E_PASSWORD_REFUSED;
    if (result.ok()) code = 0;
    if (result.no_session) code = qor::uses_ssl(r) ? LDC_E_SSL_INIT : LDC_E_PLAIN_INIT;
    return qor::outcome_answer(result, code);
}
