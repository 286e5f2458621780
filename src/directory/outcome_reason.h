// Why a directory step ended as it did, decoded from its result code,
// the server's diagnostic text (Active Directory's "data NNN" and
// 0000052D forms) and the password-policy response control.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ldap_client.h"

namespace qor {

struct DecodedReason {
    int32_t reason;
    int32_t value;
    int32_t step;  // refined: a transport failure is the connect's, a certificate the handshake's
};

// True for Active Directory's refusal of a bind whose password was right
// but must be changed first: 49 with "data 532" (expired) or "data 773"
// (must change at the next logon).
bool bind_refused_until_changed(int code, std::string_view diagnostic);

// tls: the session runs over TLS.
DecodedReason decode_reason(int32_t step, int code, std::string_view diagnostic, const platform::PasswordPolicy &policy,
                            bool tls);

}  // namespace qor
