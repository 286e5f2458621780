#include "reasons.h"

#include <cctype>
#include <cstdint>

#include "qorldap9.h"

namespace qorldap {
namespace {

// The words for a reason; a %d in text takes the reason's value (omitted
// with its bracket when the value is 0).
struct Words {
    int32_t reason;
    const char *name;
    const char *text;
    const char *with_value;  // used instead of text when the value is known
    const char *ad_code;     // Active Directory's sub-code, shown when the server gave it
};

constexpr Words kWords[] = {
    {LDC_REASON_NONE, "none", "", nullptr, nullptr},
    {LDC_REASON_UNKNOWN, "unknown", "", nullptr, nullptr},
    {LDC_REASON_INVALID_CREDENTIALS, "invalid_credentials", "the user name or the password is wrong", nullptr, "52e"},
    {LDC_REASON_NO_SUCH_USER, "no_such_user", "the directory knows no such user", nullptr, "525"},
    {LDC_REASON_LOGON_HOURS, "logon_hours", "the account may not log on at this time", nullptr, "530"},
    {LDC_REASON_WORKSTATION, "workstation", "the account may not log on from this workstation", nullptr, "531"},
    {LDC_REASON_PASSWORD_EXPIRED, "password_expired", "the password has expired", nullptr, "532"},
    {LDC_REASON_ACCOUNT_DISABLED, "account_disabled", "the account is disabled", nullptr, "533"},
    {LDC_REASON_ACCOUNT_EXPIRED, "account_expired", "the account has expired", nullptr, "701"},
    {LDC_REASON_MUST_CHANGE, "must_change", "the password must be changed at the next logon", nullptr, "773"},
    {LDC_REASON_LOCKED_OUT, "locked_out", "the account is locked after too many failed logons", nullptr, "775"},
    {LDC_REASON_GRACE_LOGINS, "grace_logins", "the password has expired",
     "the password has expired (%d grace logins left)", nullptr},
    {LDC_REASON_EXPIRES_SOON, "expires_soon", "the password expires soon", "the password expires in %s", nullptr},
    {LDC_REASON_POLICY_REFUSED, "policy_refused", "the new password does not meet the password policy", nullptr,
     nullptr},
    {LDC_REASON_TOO_SHORT, "too_short", "the password is too short",
     "the password is too short (%d characters at least)", nullptr},
    {LDC_REASON_TOO_LONG, "too_long", "the password is too long", "the password is too long (%d characters at most)",
     nullptr},
    {LDC_REASON_NOT_COMPLEX, "not_complex", "the password does not meet the complexity or quality rules", nullptr,
     nullptr},
    {LDC_REASON_IN_HISTORY, "in_history", "the password was used before", nullptr, nullptr},
    {LDC_REASON_TOO_YOUNG, "too_young", "the password was changed too recently to change it again", nullptr, nullptr},
    {LDC_REASON_CHANGE_NOT_ALLOWED, "change_not_allowed", "the user may not change the password", nullptr, nullptr},
    {LDC_REASON_ACCESS_DENIED, "access_denied", "the directory does not allow this user to do that", nullptr, nullptr},
    {LDC_REASON_TLS_REQUIRED, "tls_required", "the server requires TLS for simple binds (use --ssl 1)", nullptr,
     nullptr},
    {LDC_REASON_TLS_CERTIFICATE, "tls_certificate", "TLS: the server's certificate is not trusted (set LDAPTLS_CACERT)",
     nullptr, nullptr},
    {LDC_REASON_SERVER_DOWN, "server_down", "no server of the profile could be reached", nullptr, nullptr},
    {LDC_REASON_TIMEOUT, "timeout", "the server did not answer in time", nullptr, nullptr},
    {LDC_REASON_LOGON_REFUSED, "logon_refused", "the NTLM logon was refused", nullptr, nullptr},
};

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Seconds as the largest whole unit people read at a glance.
std::string duration(long long seconds) {
    if (seconds >= 2 * 86400) return std::to_string(seconds / 86400) + " days";
    if (seconds >= 2 * 3600) return std::to_string(seconds / 3600) + " hours";
    if (seconds >= 2 * 60) return std::to_string(seconds / 60) + " minutes";
    return std::to_string(seconds) + " seconds";
}

std::string fill(const char *pattern, long long value) {
    std::string out = pattern;
    size_t at = out.find('%');
    if (at == std::string::npos) return out;
    std::string filled = out[at + 1] == 's' ? duration(value) : std::to_string(value);
    return out.replace(at, 2, filled);
}

}  // namespace

Fields LastReason::fields() const { return {{"reason", name}, {"reason_value", value}, {"diagnostic", diagnostic}}; }

LastReason last_reason() {
    LastReason r{"unknown", "", false, "", LDC_lastReasonValueEx()};
    char text[1024];
    if (LDC_lastDiagnosticEx(text, sizeof text)) r.diagnostic = text;
    const int32_t reason = LDC_lastReasonEx();
    for (const Words &w : kWords) {
        if (w.reason != reason) continue;
        r.name = w.name;
        r.sentence = w.with_value != nullptr && r.value != 0 ? fill(w.with_value, r.value) : w.text;
        if (w.ad_code != nullptr && lower(r.diagnostic).find(std::string("data ") + w.ad_code) != std::string::npos)
            r.sentence += std::string(" (AD ") + w.ad_code + ")";
    }
    // A reason the library does not name is told in the server's words.
    if (r.sentence.empty() && reason != LDC_REASON_NONE && !r.diagnostic.empty())
        r.sentence = "the directory said: " + r.diagnostic;
    r.new_password = LDC_lastStepEx() == LDC_STEP_MODIFY;
    return r;
}

}  // namespace qorldap
