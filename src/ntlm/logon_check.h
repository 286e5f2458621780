// The in-process NTLM logon check.
#pragma once

namespace qor {

// 1 when domain (null or empty for none), user and password are valid
// credentials, else 0. Failing security calls are reported on stderr.
int ntlm_logonCheck(const char *domain, const char *user, const char *password);

}  // namespace qor
