// Why the last check or change of this thread ended as it did, in words
// for people and in a name for scripts, from the library's record.
#pragma once

#include <string>

#include "output.h"

namespace qorldap {

struct LastReason {
    std::string name;      // "none", "must_change", ... (JSON)
    std::string sentence;  // empty when there is nothing to tell
    bool new_password;     // the directory refused the new password itself
    Fields fields() const;
    std::string diagnostic;
    long long value;
};

// Reads the library's record of this thread's last directory outcome.
LastReason last_reason();

}  // namespace qorldap
