// This thread's record of the last directory outcome, and the exports
// that read it.
#include "directory/last_outcome.h"

#include <cstring>
#include <string>

#include "directory/outcome_reason.h"
#include "util/secret.h"
#include "util/text.h"

namespace qor {
namespace {

thread_local Outcome t_outcome;
thread_local const OutcomeSecrets *t_secrets = nullptr;

constexpr char kMask[] = "***";

void mask_one(std::string &text, const char *secret) {
    if (secret == nullptr || *secret == '\0') return;
    const size_t length = strlen(secret);
    for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + sizeof kMask - 1))
        text.replace(at, length, kMask);
}

void store(int32_t step, int code, int32_t reason, int32_t value, std::string text) {
    if (t_secrets != nullptr) t_secrets->mask(text);
    Outcome &o = t_outcome;
    o.step = step;
    o.code = code;
    o.reason = reason;
    o.value = value;
    // Cut at the record's size; texts that long do not occur.
    size_t n = text.copy(o.diagnostic, sizeof o.diagnostic - 1);
    memset(o.diagnostic + n, 0, sizeof o.diagnostic - n);
    secure_clear(text);  // it may have held a password before masking
}

}  // namespace

OutcomeSecrets::OutcomeSecrets(const char *first, const char *second)
    : first_(first), second_(second), outer_(t_secrets) {
    t_secrets = this;
}

OutcomeSecrets::~OutcomeSecrets() { t_secrets = outer_; }

void OutcomeSecrets::mask(std::string &text) const {
    for (const OutcomeSecrets *s = this; s != nullptr; s = s->outer_) {
        mask_one(text, s->first_);
        mask_one(text, s->second_);
    }
}

void outcome_begin() { store(LDC_STEP_NONE, 0, LDC_REASON_NONE, 0, std::string()); }

void outcome_note(int32_t step, int code, LDAP *ld, const platform::PasswordPolicy *policy) {
    std::string text = platform::diagnostic(ld);
    DecodedReason d = decode_reason(step, code, text, policy != nullptr ? *policy : platform::PasswordPolicy{},
                                    platform::uses_tls(ld));
    store(d.step, code, d.reason, d.value, std::move(text));
}

void outcome_note_reason(int32_t step, int code, int32_t reason, int32_t value) {
    store(step, code, reason, value, std::string());
}

const Outcome &outcome_last() { return t_outcome; }

}  // namespace qor

extern "C" int32_t QORLDAP9_CALL LDC_lastStepEx(void) { return qor::outcome_last().step; }
extern "C" int32_t QORLDAP9_CALL LDC_lastResultEx(void) { return qor::outcome_last().code; }
extern "C" int32_t QORLDAP9_CALL LDC_lastReasonEx(void) { return qor::outcome_last().reason; }
extern "C" int32_t QORLDAP9_CALL LDC_lastReasonValueEx(void) { return qor::outcome_last().value; }

extern "C" int32_t QORLDAP9_CALL LDC_lastDiagnosticEx(char *text, int32_t size) {
    return qor::copy_whole(text, size, qor::outcome_last().diagnostic) ? 1 : 0;
}
