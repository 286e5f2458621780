// The gss-ntlmssp mechanism as every call names it.
#pragma once

#include <gssapi/gssapi.h>

namespace qorsspi {

// The NTLMSSP mechanism (1.3.6.1.4.1.311.2.2.10) and the set holding only it.
gss_OID ntlmssp_oid();
gss_OID_set ntlmssp_mechs();

// The server side's name and the client's target: one fixed host-based
// name. The mechanism requires them to be equal, and a short fixed name
// keeps every token well inside the advertised maximum size.
OM_uint32 import_service_name(OM_uint32 *minor, gss_name_t *name);

}  // namespace qorsspi
