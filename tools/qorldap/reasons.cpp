#include "reasons.h"

#include <cstdint>

#include "qorldap9.h"
#include "util/text.h"

namespace qorldap {
namespace {

constexpr int32_t kInvalidCredentials = 49;  // LDAP's code, as the record gives it

// Active Directory's sub-code of a reason, shown when the server gave it.
struct AdCode {
    int32_t reason;
    const char *code;
};

constexpr AdCode kAdCodes[] = {
    {LDC_REASON_INVALID_CREDENTIALS, "52e"}, {LDC_REASON_NO_SUCH_USER, "525"},     {LDC_REASON_LOGON_HOURS, "530"},
    {LDC_REASON_WORKSTATION, "531"},         {LDC_REASON_PASSWORD_EXPIRED, "532"}, {LDC_REASON_ACCOUNT_DISABLED, "533"},
    {LDC_REASON_ACCOUNT_EXPIRED, "701"},     {LDC_REASON_MUST_CHANGE, "773"},      {LDC_REASON_LOCKED_OUT, "775"},
};

}  // namespace

Fields LastReason::fields() const { return {{"reason", name}, {"reason_value", value}, {"diagnostic", diagnostic}}; }

LastReason last_reason() {
    LastReason r{"unknown", "", false, "", LDC_lastReasonValueEx()};
    char text[1024];
    if (LDC_lastDiagnosticEx(text, sizeof text)) r.diagnostic = text;
    const int32_t reason = LDC_lastReasonEx();
    std::string name = code_text(LDC_TEXT_REASON_NAME, reason, 0);
    if (!name.empty()) r.name = name;
    r.sentence = code_text(LDC_TEXT_REASON, reason, static_cast<int32_t>(r.value));
    if (reason == LDC_REASON_TLS_REQUIRED) r.sentence += " (use --ssl 1)";
    for (const AdCode &ad : kAdCodes)
        if (ad.reason == reason &&
            qor::ascii_lowercase(r.diagnostic).find(std::string("data ") + ad.code) != std::string::npos)
            r.sentence += std::string(" (AD ") + ad.code + ")";
    // A reason the library does not name is told in the server's words.
    if (r.sentence.empty() && reason != LDC_REASON_NONE && !r.diagnostic.empty())
        r.sentence = "the directory said: " + r.diagnostic;
    // The change's own request, whichever way it went; the Kerberos
    // change's 49 is the old password's refusal.
    const int32_t step = LDC_lastStepEx();
    r.new_password = step == LDC_STEP_MODIFY || step == LDC_STEP_BIND_USER_MODIFY ||
                     (step == LDC_STEP_KPASSWD && LDC_lastResultEx() != kInvalidCredentials);
    return r;
}

}  // namespace qorldap
