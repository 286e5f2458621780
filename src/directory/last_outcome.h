// The per-thread record of the last directory outcome, read through the
// LDC_last...Ex exports. Each export that talks to a directory calls
// outcome_begin() first, then outcome_note() after each step it takes
// (successful or not); the last note stands. Passwords the export was
// given are held in an OutcomeSecrets for its duration, and never reach
// the record.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

constexpr size_t kOutcomeDiagnosticSize = 1024;

struct Outcome {
    int32_t step = LDC_STEP_NONE;
    int32_t code = 0;
    int32_t reason = LDC_REASON_NONE;
    int32_t value = 0;
    char diagnostic[kOutcomeDiagnosticSize] = {0};
};

// Clears this thread's record.
void outcome_begin();
// Records that step got code on session ld (null when no session is
// open): the server's diagnostic text, the password-policy answer when
// the request asked for one, and the reason decoded from them.
void outcome_note(int32_t step, int code, LDAP *ld, const platform::PasswordPolicy *policy = nullptr);
// Records a reason the caller knows without a server's text.
void outcome_note_reason(int32_t step, int code, int32_t reason, int32_t value = 0);
const Outcome &outcome_last();

// The passwords of the running export (null ones ignored): any diagnostic
// noted while this object lives has them replaced by "***". Nests.
class OutcomeSecrets {
  public:
    explicit OutcomeSecrets(const char *first, const char *second = nullptr);
    ~OutcomeSecrets();
    OutcomeSecrets(const OutcomeSecrets &) = delete;
    OutcomeSecrets &operator=(const OutcomeSecrets &) = delete;
    // Replaces this object's passwords and the enclosing ones' in text.
    void mask(std::string &text) const;

  private:
    const char *first_;
    const char *second_;
    const OutcomeSecrets *outer_;
};

}  // namespace qor
