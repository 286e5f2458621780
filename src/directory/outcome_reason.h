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

// tls: the session runs over TLS.
DecodedReason decode_reason(int32_t step, int code, std::string_view diagnostic, const platform::PasswordPolicy &policy,
                            bool tls);

}  // namespace qor
