// The lines the NTLM logon check writes to standard error when a security
// call fails: every text it writes, in one place.
#pragma once

#include "ntlm/sspi_table.h"

namespace qor {

// Writes "<call> failed with <status as eight hexadecimal digits>".
void report_failed_call(const char *call, SECURITY_STATUS status);

// Writes "<call> not supported." for a call the provider does not offer.
void report_missing_call(const char *call);

}  // namespace qor
