// GSSAPI major statuses in SSPI terms.
#pragma once

#include <gssapi/gssapi.h>

#include "platform/sspi.h"

namespace qorsspi {

// SEC_E_OK, SEC_I_CONTINUE_NEEDED, or the failure the routine error
// stands for; a plain GSS_S_FAILURE becomes on_failure. Minor codes are
// not consulted: the mechanism glue renumbers them from process to process.
SECURITY_STATUS sspi_status(OM_uint32 major, SECURITY_STATUS on_failure);

}  // namespace qorsspi
