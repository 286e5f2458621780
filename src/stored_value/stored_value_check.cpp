// Checking a password against a stored password value.
#include <cstring>

#include "stored_value/stored_value_scheme.h"
#include "qorldap9.h"
#include "util/constant_time.h"

extern "C" int QORLDAP9_CALL ldap_passwd_verify(const char *stored, const char *candidate) {
    using namespace qor;
    PasswdScheme scheme = passwd_scheme(stored);
    if (scheme == kSchemeNone || candidate == nullptr) return 0;
    if (scheme == kSchemeClearText)
        return equal_constant_time(stored, strlen(stored), candidate, strlen(candidate)) ? 1 : 0;
    // A tag this library does not verify never matches: taken as clear
    // text, the stored hash itself would be accepted as the password.
    const SchemeInfo *info = scheme_info(scheme);
    if (info == nullptr) return 0;
    return info->check(*info, candidate, stored + info->prefix_length) ? 1 : 0;
}

extern "C" int QORLDAP9_CALL ldapPasswdSource(const char *value) {
    // A null value carries no tag, like the empty one.
    if (value == nullptr) return 1;
    return value[0] != '{' ? 1 : 0;
}
