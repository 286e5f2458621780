// The per-thread record of the last directory outcome, read through the
// LDC_last...Ex exports. Each export that talks to a directory writes it
// once, as it returns: outcome_answer turns the directory result into the
// export's code. Passwords the export was given are held in an
// OutcomeSecrets for its duration, and never reach the record.
#pragma once

#include <cstdint>

#include "directory/directory_result.h"
#include "qorldap9.h"
#include "util/secret.h"

namespace qor {

constexpr size_t kOutcomeDiagnosticSize = 1024;

struct Outcome {
    int32_t step = LDC_STEP_NONE;
    int32_t code = 0;
    int32_t reason = LDC_REASON_NONE;
    int32_t value = 0;
    char diagnostic[kOutcomeDiagnosticSize] = {0};
};

// Returns code, after writing result into this thread's record (its text
// with the running export's passwords masked). An export calls it once,
// on its way out; one refused before any step passes an empty result.
int outcome_answer(const DirectoryResult &result, int code);
// Returns this thread's record.
const Outcome &outcome_last();

// The passwords of the running export (null ones ignored): any text
// recorded while this object lives has them replaced by "***". Nests.
class OutcomeSecrets {
  public:
    explicit OutcomeSecrets(const char *first, const char *second = nullptr);
    ~OutcomeSecrets();
    OutcomeSecrets(const OutcomeSecrets &) = delete;
    OutcomeSecrets &operator=(const OutcomeSecrets &) = delete;
    // Returns text with every occurrence of this object's passwords and
    // the enclosing ones' replaced: each stretch that any occurrence of
    // any of them covers becomes one "***", so that no part of a password
    // that holds another stays visible.
    Secret masked(std::string_view text) const;

  private:
    const char *first_;
    const char *second_;
    const OutcomeSecrets *outer_;
};

}  // namespace qor
