// Sessions of the password operations: plain or SSL as LDC_isSslEx says,
// with the protocol version as the only option.
#pragma once

#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

// Null when the client could not initialise the session (then noted as
// the connect step's outcome).
LDAP *open_password_session(LDAP_Config *record);

}  // namespace qor
