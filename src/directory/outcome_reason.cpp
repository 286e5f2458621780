#include "directory/outcome_reason.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "qorldap9.h"
#include "util/text.h"

namespace qor {
namespace {

constexpr int kStrongerAuthRequired = 8;
constexpr int kConfidentialityRequired = 13;
constexpr int kInsufficientAccess = 50;

// The password-policy control's error values, in the control's order.
constexpr int32_t kPolicyErrors[] = {
    LDC_REASON_PASSWORD_EXPIRED,   LDC_REASON_LOCKED_OUT,  LDC_REASON_MUST_CHANGE, LDC_REASON_CHANGE_NOT_ALLOWED,
    LDC_REASON_CHANGE_NOT_ALLOWED, LDC_REASON_NOT_COMPLEX, LDC_REASON_TOO_SHORT,   LDC_REASON_TOO_YOUNG,
    LDC_REASON_IN_HISTORY,         LDC_REASON_TOO_LONG,
};

struct AdCode {
    long code;
    int32_t reason;
};

// Active Directory's sub-codes of a refused bind ("data 52e").
constexpr long kAdPasswordExpired = 0x532;
constexpr long kAdMustChange = 0x773;
constexpr AdCode kAdBindCodes[] = {
    {0x525, LDC_REASON_NO_SUCH_USER},
    {0x52e, LDC_REASON_INVALID_CREDENTIALS},
    {0x530, LDC_REASON_LOGON_HOURS},
    {0x531, LDC_REASON_WORKSTATION},
    {kAdPasswordExpired, LDC_REASON_PASSWORD_EXPIRED},
    {0x533, LDC_REASON_ACCOUNT_DISABLED},
    {0x701, LDC_REASON_ACCOUNT_EXPIRED},
    {kAdMustChange, LDC_REASON_MUST_CHANGE},
    {0x775, LDC_REASON_LOCKED_OUT},
};

// The number after the first occurrence of marker in text, or 0.
int32_t number_after(const std::string &text, const char *marker) {
    size_t at = text.find(marker);
    if (at == std::string::npos) return 0;
    long n = std::strtol(text.c_str() + at + std::char_traits<char>::length(marker), nullptr, 10);
    return n > 0 && n < 100000 ? static_cast<int32_t>(n) : 0;
}

// "..., data 52e, v4563": the hexadecimal sub-code, or -1.
long ad_data_code(const std::string &text) {
    size_t at = text.find("data ");
    if (at == std::string::npos) return -1;
    char *end = nullptr;
    const char *start = text.c_str() + at + 5;
    long code = std::strtol(start, &end, 16);
    return end != start ? code : -1;
}

// Active Directory's refusal of a new password (0000052D). Samba names
// the rule that failed; Windows does not.
DecodedReason ad_policy_refusal(const std::string &text, int32_t step) {
    if (text.find("too short") != std::string::npos) {
        int32_t minimum = number_after(text, "longer than ");  // the LDAP answer's wording
        return {LDC_REASON_TOO_SHORT, minimum != 0 ? minimum : number_after(text, "at least "), step};
    }
    if (text.find("too long") != std::string::npos)
        return {LDC_REASON_TOO_LONG, number_after(text, "shorter than "), step};
    if (text.find("complexity") != std::string::npos) return {LDC_REASON_NOT_COMPLEX, 0, step};
    // Samba words the current password given again as "already used
    // (previous password)", an earlier one as "(in history)".
    if (text.find("history") != std::string::npos || text.find("already used") != std::string::npos)
        return {LDC_REASON_IN_HISTORY, 0, step};
    if (text.find("too young") != std::string::npos) return {LDC_REASON_TOO_YOUNG, 0, step};
    return {LDC_REASON_POLICY_REFUSED, 0, step};
}

// The TLS layer's texts for a transport that failed beneath it (GnuTLS's
// words): the server refused the connection or went away. A refused
// certificate leaves other texts.
bool transport_failed(const std::string &text) {
    for (const char *words : {"push function", "pull function", "non-properly terminated"})
        if (text.find(words) != std::string::npos) return true;
    return false;
}

// The Kerberos password change's results, numbered as LDAP's; a refusal
// carries the server's text, worded as the policy texts above.
DecodedReason kpasswd_reason(int code, const std::string &text) {
    switch (code) {
        case LDAP_SUCCESS:
            return {LDC_REASON_NONE, 0, LDC_STEP_KPASSWD};
        case LDAP_INVALID_CREDENTIALS:
            return {LDC_REASON_INVALID_CREDENTIALS, 0, LDC_STEP_KPASSWD};
        case LDAP_CONSTRAINT_VIOLATION:
            return ad_policy_refusal(text, LDC_STEP_KPASSWD);
        case platform::kServerDown:
            return {LDC_REASON_SERVER_DOWN, 0, LDC_STEP_KPASSWD};
        default:
            return {LDC_REASON_UNKNOWN, 0, LDC_STEP_KPASSWD};
    }
}

}  // namespace

bool bind_refused_until_changed(int code, std::string_view diagnostic) {
    if (code != LDAP_INVALID_CREDENTIALS) return false;
    long ad_code = ad_data_code(ascii_lowercase(diagnostic));
    return ad_code == kAdPasswordExpired || ad_code == kAdMustChange;
}

DecodedReason decode_reason(int32_t step, int code, std::string_view diagnostic, const platform::PasswordPolicy &policy,
                            bool tls) {
    constexpr int32_t kPolicyErrorCount = sizeof kPolicyErrors / sizeof kPolicyErrors[0];
    if (policy.error >= 0 && policy.error < kPolicyErrorCount) return {kPolicyErrors[policy.error], 0, step};
    if (code == 0) {
        if (policy.grace_logins != platform::PasswordPolicy::kNone)
            return {LDC_REASON_GRACE_LOGINS, policy.grace_logins, step};
        if (policy.seconds_to_expiry != platform::PasswordPolicy::kNone)
            return {LDC_REASON_EXPIRES_SOON, policy.seconds_to_expiry, step};
        return {LDC_REASON_NONE, 0, step};
    }
    const std::string text = ascii_lowercase(diagnostic);
    if (step == LDC_STEP_KPASSWD) return kpasswd_reason(code, text);
    if (text.rfind("0000052d", 0) == 0) return ad_policy_refusal(text, step);
    long ad_code = code == LDAP_INVALID_CREDENTIALS ? ad_data_code(text) : -1;
    for (const AdCode &known : kAdBindCodes)
        if (known.code == ad_code) return {known.reason, 0, step};

    switch (code) {
        case platform::kServerDown:
        case platform::kConnectError:
            // The client names a failed handshake; a server that cannot be
            // reached, or went away, leaves no text or the TLS layer's
            // transport error ("Error in the push function.").
            if (tls && !text.empty() && !transport_failed(text)) return {LDC_REASON_TLS_CERTIFICATE, 0, LDC_STEP_TLS};
            return {LDC_REASON_SERVER_DOWN, 0, LDC_STEP_CONNECT};
        case platform::kTimeout:
            return {LDC_REASON_TIMEOUT, 0, step};
        case LDAP_INVALID_CREDENTIALS:
            return {step == LDC_STEP_LOGON ? LDC_REASON_LOGON_REFUSED : LDC_REASON_INVALID_CREDENTIALS, 0, step};
        case kInsufficientAccess:
            return {LDC_REASON_ACCESS_DENIED, 0, step};
        case kConfidentialityRequired:
            return {LDC_REASON_TLS_REQUIRED, 0, step};
        case kStrongerAuthRequired:
            if (step == LDC_STEP_BIND) return {LDC_REASON_TLS_REQUIRED, 0, step};
            break;
        default:
            break;
    }
    return {LDC_REASON_UNKNOWN, 0, step};
}

}  // namespace qor
