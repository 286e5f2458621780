// Windows has no Kerberos password change here: the directory's own
// password change through a bind user serves its users.
#include "platform/kpasswd.h"

namespace qor::platform {

KpasswdResult kpasswd_change(const KerberosRealm &, const std::string &, bool, const char *, const char *) {
    return {KpasswdStatus::kNotAvailable, "the Kerberos password change is not available on this platform"};
}

}  // namespace qor::platform
