// Acquiring the two sides' GSSAPI credentials.
#pragma once

#include <gssapi/gssapi.h>

#include "platform/sspi.h"

namespace qorsspi {

// The longest UPPER(user) + domain the mechanism hashes safely: it copies
// both into a fixed 512-byte buffer without checking.
constexpr size_t kMaxUserAndDomainBytes = 512;

// Outbound: the identity's user and domain with the NT hash of its
// password. Refuses identities the mechanism cannot take safely.
SECURITY_STATUS acquire_outbound(const SEC_WINNT_AUTH_IDENTITY_A &identity, gss_cred_id_t *cred);

// Inbound: the users of the user file, or winbind when there is none.
SECURITY_STATUS acquire_inbound(gss_cred_id_t *cred);

// True when the environment asks the mechanism for LM or NTLMv1
// (LM_COMPAT_LEVEL below 3), which this provider does not take part in.
bool weak_protocol_requested();

}  // namespace qorsspi
