// What a step of the directory layer came to: the one result value that
// every step returns, from the session openings and binds to the modify
// of a change and the NTLM logon check. Nothing below the exports turns
// it into another code; each export turns its result into the export's
// own code and writes it into this thread's outcome record once
// (outcome_answer in last_outcome.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/secret.h"

namespace qor {

struct DirectoryResult {
    int32_t step = LDC_STEP_NONE;      // LDC_STEP_...: the step that ended as this says
    int code = 0;                      // LDAP result code; the client's own failures as 81 to 97
    int32_t reason = LDC_REASON_NONE;  // LDC_REASON_...: why, as far as it could be decoded
    int32_t value = 0;                 // the number that goes with the reason
    Secret text;                       // the server's text; it may quote a password until masked
    bool no_session = false;           // no session could be opened at all (the step is the connect)
    bool from_server = false;          // a server's result message carried the code

    // Returns true when a step ran and succeeded; an empty result (nothing
    // was tried) is not.
    bool ok() const { return code == 0 && step != LDC_STEP_NONE; }
};

// Returns the result of step answered with code on session ld (null when
// no session is open): the server's diagnostic text, the password-policy
// answer when the request asked for one, and the reason decoded from
// them.
DirectoryResult step_result(int32_t step, int code, LDAP *ld, const platform::PasswordPolicy *policy = nullptr);

// Returns the result of step answered with code and text by a server
// that is no LDAP session (the Kerberos password change), its reason
// decoded from them.
DirectoryResult text_result(int32_t step, int code, std::string_view text);

// Returns a result whose reason the caller knows without a server's text.
DirectoryResult known_result(int32_t step, int code, int32_t reason, int32_t value = 0);

// Returns true for the client's codes of a host that gave no answer (it
// could not be reached, went away or stayed silent).
bool unanswered(int code);

// Returns true when result's request got no answer: its code is one of
// the client's codes of a silent host and no server sent it.
bool unanswered(const DirectoryResult &result);

}  // namespace qor
