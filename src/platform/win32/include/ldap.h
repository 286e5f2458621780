// The LDAP C API header by its portable name: on Windows the system's
// client declares the API in winldap.h.
#pragma once

#include <windows.h>
#include <winldap.h>
