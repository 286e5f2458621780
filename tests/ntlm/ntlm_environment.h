// The process environment the real provider needs in a test: its user
// file, and none of the variables that would change the protocol.
#pragma once

#include <stdlib.h>

#include <string>

inline void use_ntlm_user_file(const std::string &path) {
    for (const char *name : {"LM_COMPAT_LEVEL", "NETBIOS_COMPUTER_NAME", "NETBIOS_DOMAIN_NAME", "NTLM_USER_FILE"})
        unsetenv(name);
    setenv("QORSSPI_USER_FILE", path.c_str(), 1);
}
