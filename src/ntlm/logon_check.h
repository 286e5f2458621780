// The in-process NTLM logon check.
#pragma once

namespace qor {

// Returns true when domain (null or empty for none), user and password
// are valid credentials. Failing security calls are reported on standard
// error (ntlm_report.h).
bool ntlm_logon_check(const char *domain, const char *user, const char *password);

}  // namespace qor
