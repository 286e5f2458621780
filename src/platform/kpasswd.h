// The Kerberos password change (RFC 3244): initial credentials for the
// password-change service with the old password, then the change itself.
// It serves users whose directory refuses every bind until the password
// is changed. Its settings (realm, KDC and password server) are given by
// the caller and held in a Kerberos context of the library's own: no
// configuration file and no environment variable is read for them.
// POSIX only; on Windows it is not available.
#pragma once

#include <string>
#include <vector>

namespace qor::platform {

struct KerberosRealm {
    std::string name;                // the realm, in capitals
    std::vector<std::string> hosts;  // its KDC and password server, in turn
    int timeout_seconds = 0;         // bounds each request to them
};

enum class KpasswdStatus {
    kChanged,
    kOldPasswordRefused,  // the initial credentials were refused
    kRefused,             // the server refused the new password (soft error: its policy)
    kUnreachable,         // no KDC or password server answered
    kFailed,              // any other failure
    kNotAvailable,        // no Kerberos on this platform
};

struct KpasswdResult {
    KpasswdStatus status = KpasswdStatus::kFailed;
    std::string text;  // the server's reason for a refusal, or the client's message
};

// Changes user's password in realm. user is the account name, or with
// enterprise a name of the user@domain form that the KDC resolves
// itself. Returns what came of it.
KpasswdResult kpasswd_change(const KerberosRealm &realm, const std::string &user, bool enterprise,
                             const char *old_password, const char *new_password);

}  // namespace qor::platform
