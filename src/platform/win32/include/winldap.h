// The system's winldap.h, plus the LDAP C API's name for the length of a
// value, which the library's shared code uses and the Windows header
// lacks (its berval length is a ULONG).
#pragma once

#include_next <winldap.h>

typedef ULONG ber_len_t;
