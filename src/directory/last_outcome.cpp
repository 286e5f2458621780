// This thread's record of the last directory outcome, and the exports
// that read it.
#include "directory/last_outcome.h"

#include <cstring>
#include <algorithm>
#include <string_view>
#include <vector>

#include "util/secret.h"
#include "util/text.h"

namespace qor {
namespace {

thread_local Outcome t_outcome;
thread_local const OutcomeSecrets *t_secrets = nullptr;

constexpr char kMask[] = "***";
constexpr size_t kMaskLength = sizeof kMask - 1;

// Marks in covered every byte of text that an occurrence of secret spans.
void cover(std::string_view text, const char *secret, std::vector<bool> &covered) {
    if (secret == nullptr || *secret == '\0') return;
    const std::string_view s(secret);
    for (size_t at = text.find(s); at != std::string_view::npos; at = text.find(s, at + 1))
        std::fill(covered.begin() + static_cast<std::ptrdiff_t>(at),
                  covered.begin() + static_cast<std::ptrdiff_t>(at + s.size()), true);
}

}  // namespace

OutcomeSecrets::OutcomeSecrets(const char *first, const char *second)
    : first_(first), second_(second), outer_(t_secrets) {
    t_secrets = this;
}

OutcomeSecrets::~OutcomeSecrets() { t_secrets = outer_; }

Secret OutcomeSecrets::masked(std::string_view text) const {
    std::vector<bool> covered(text.size(), false);
    for (const OutcomeSecrets *s = this; s != nullptr; s = s->outer_) {
        cover(text, s->first_, covered);
        cover(text, s->second_, covered);
    }
    Secret out;
    // Room for the longest result, so that no buffer that held part of a
    // password is given back unwiped by a reallocation.
    out.reserve(text.size() * kMaskLength);
    for (size_t i = 0; i < text.size(); ++i) {
        if (!covered[i])
            out.push_back(text[i]);
        else if (i == 0 || !covered[i - 1])
            out.append(kMask, kMaskLength);
    }
    return out;
}

int outcome_answer(const DirectoryResult &result, int code) {
    Outcome &o = t_outcome;
    o.step = result.step;
    o.code = result.code;
    o.reason = result.reason;
    o.value = result.value;
    Secret text = t_secrets != nullptr ? t_secrets->masked(result.text.view()) : result.text;
    // Cut at the record's size; texts that long do not occur.
    size_t n = text.copy(o.diagnostic, sizeof o.diagnostic - 1);
    memset(o.diagnostic + n, 0, sizeof o.diagnostic - n);
    return code;
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
