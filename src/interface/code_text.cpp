// The library's words for its result codes and for the reasons of the
// last directory outcome, and its version: what a program shows a person
// without keeping a copy of these sentences itself.
#include <cstdint>
#include <string>

#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/text.h"

namespace {

struct ResultText {
    int32_t code;
    const char *text;
};

constexpr ResultText kResultTexts[] = {
    {LDC_TABLE_END, "every profile of the location was read"},
    {LDC_E_BAD_KEY, "the registry key cannot be opened, or the key name is empty"},
    {LDC_E_STORE_UNAVAILABLE, "the registry store component is not available"},
    {LDC_E_NOT_IN_TABLE, "no profile of that name"},
    {LDC_E_SERVER_LISTED, "the server is already in the list"},
    {LDC_E_BAD_HOST, "a host name may hold only letters, digits and '-'"},
    {LDC_E_BAD_PORT, "the port must lie in 1 to 65535"},
    {LDC_E_SERVER_LIST_FULL, "the server list is full (159 characters)"},
    {LDC_E_NO_USER_ENTRY, "the directory holds no user entry under the base"},
    {LDC_E_OLD_PASSWORD, "the old password did not verify"},
    {LDC_E_CHANGE_FAILED, "the directory refused the change"},
    {LDC_E_PLAIN_INIT, "a plain session could not be opened"},
    {LDC_E_SSL_INIT, "an SSL session could not be opened"},
    {LDC_E_PASSWORD_REFUSED, "the password did not verify"},
    {LDC_E_AD_NEEDS_SSL, "an Active Directory password change needs SSL"},
};

// A reason's short name and sentence; a %d (a number) or %s (seconds, as
// a duration) in with_value takes the reason's value when it is not 0.
struct ReasonText {
    int32_t reason;
    const char *name;
    const char *text;
    const char *with_value;
};

constexpr ReasonText kReasonTexts[] = {
    {LDC_REASON_NONE, "none", "", nullptr},
    {LDC_REASON_UNKNOWN, "unknown", "", nullptr},
    {LDC_REASON_INVALID_CREDENTIALS, "invalid_credentials", "the user name or the password is wrong", nullptr},
    {LDC_REASON_NO_SUCH_USER, "no_such_user", "the directory knows no such user", nullptr},
    {LDC_REASON_LOGON_HOURS, "logon_hours", "the account may not log on at this time", nullptr},
    {LDC_REASON_WORKSTATION, "workstation", "the account may not log on from this workstation", nullptr},
    {LDC_REASON_PASSWORD_EXPIRED, "password_expired", "the password has expired", nullptr},
    {LDC_REASON_ACCOUNT_DISABLED, "account_disabled", "the account is disabled", nullptr},
    {LDC_REASON_ACCOUNT_EXPIRED, "account_expired", "the account has expired", nullptr},
    {LDC_REASON_MUST_CHANGE, "must_change", "the password must be changed at the next logon", nullptr},
    {LDC_REASON_LOCKED_OUT, "locked_out", "the account is locked after too many failed logons", nullptr},
    {LDC_REASON_GRACE_LOGINS, "grace_logins", "the password has expired",
     "the password has expired (%d grace logins left)"},
    {LDC_REASON_EXPIRES_SOON, "expires_soon", "the password expires soon", "the password expires in %s"},
    {LDC_REASON_POLICY_REFUSED, "policy_refused", "the new password does not meet the password policy", nullptr},
    {LDC_REASON_TOO_SHORT, "too_short", "the password is too short",
     "the password is too short (%d characters at least)"},
    {LDC_REASON_TOO_LONG, "too_long", "the password is too long", "the password is too long (%d characters at most)"},
    {LDC_REASON_NOT_COMPLEX, "not_complex", "the password does not meet the complexity or quality rules", nullptr},
    {LDC_REASON_IN_HISTORY, "in_history", "the password was used before", nullptr},
    {LDC_REASON_TOO_YOUNG, "too_young", "the password was changed too recently to change it again", nullptr},
    {LDC_REASON_CHANGE_NOT_ALLOWED, "change_not_allowed", "the user may not change the password", nullptr},
    {LDC_REASON_ACCESS_DENIED, "access_denied", "the directory does not allow this user to do that", nullptr},
    {LDC_REASON_TLS_REQUIRED, "tls_required", "the server requires TLS for simple binds", nullptr},
    {LDC_REASON_TLS_CERTIFICATE, "tls_certificate", "TLS: the server's certificate is not trusted (set LDAPTLS_CACERT)",
     nullptr},
    {LDC_REASON_SERVER_DOWN, "server_down", "no server of the profile could be reached", nullptr},
    {LDC_REASON_TIMEOUT, "timeout", "the server did not answer in time", nullptr},
    {LDC_REASON_LOGON_REFUSED, "logon_refused", "the NTLM logon was refused", nullptr},
    {LDC_REASON_NO_HOST, "no_host", "the profile lists no server", nullptr},
    {LDC_REASON_OUTCOME_UNKNOWN, "outcome_unknown", "the change's outcome is unknown", nullptr},
};

constexpr long long kMinute = 60;
constexpr long long kHour = 60 * kMinute;
constexpr long long kDay = 24 * kHour;

// Seconds as the largest whole unit people read at a glance.
std::string duration(long long seconds) {
    if (seconds >= 2 * kDay) return std::to_string(seconds / kDay) + " days";
    if (seconds >= 2 * kHour) return std::to_string(seconds / kHour) + " hours";
    if (seconds >= 2 * kMinute) return std::to_string(seconds / kMinute) + " minutes";
    return std::to_string(seconds) + " seconds";
}

std::string filled(const char *pattern, long long value) {
    std::string out = pattern;
    size_t at = out.find('%');
    if (at == std::string::npos) return out;
    return out.replace(at, 2, out[at + 1] == 's' ? duration(value) : std::to_string(value));
}

std::string result_text(int32_t code) {
    for (const ResultText &r : kResultTexts)
        if (r.code == code) return r.text;
    const char *text = qor::platform::err2string(code);
    return text ? text : "unknown result";
}

bool reason_text(int32_t kind, int32_t reason, int32_t value, std::string &out) {
    for (const ReasonText &r : kReasonTexts) {
        if (r.reason != reason) continue;
        if (kind == LDC_TEXT_REASON_NAME)
            out = r.name;
        else
            out = r.with_value != nullptr && value != 0 ? filled(r.with_value, value) : r.text;
        return true;
    }
    return false;
}

}  // namespace

extern "C" int32_t QORLDAP9_CALL LDC_codeTextEx(int32_t kind, int32_t code, int32_t value, char *text, int32_t size) {
    std::string out;
    bool known = false;
    if (kind == LDC_TEXT_RESULT) {
        out = result_text(code);
        known = true;
    } else if (kind == LDC_TEXT_REASON || kind == LDC_TEXT_REASON_NAME) {
        known = reason_text(kind, code, value, out);
    }
    return qor::copy_whole(text, size, out) && known ? 1 : 0;
}

extern "C" const char *QORLDAP9_CALL LDC_versionEx(void) { return QORLDAP9_VERSION; }
