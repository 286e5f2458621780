// The bind of the caller's own session, as the profile's flags and bind
// user ask for it: what ldapAuthEx, ldap_verifyConfigEx and
// ldap_validateSchema do once their session is open.
#pragma once

#include "directory/directory_result.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/secret.h"

namespace qor {

// Returns the profile's bind password (empty when it has none), to be
// held as a secret for the whole export.
Secret profile_bind_password(LDAP_Config *record);

// Returns the result of the profile's bind on session with password pw
// (from profile_bind_password): the simple bind, or the negotiate bind
// after a connect where the integrated bit is set. A bind not attempted
// leaves an empty result, with the export's code in *refused (otherwise
// 0): LDAP_AUTH_METHOD_NOT_SUPPORTED for flags that name no method, the
// parameter error for a bind user whose DN cannot be formed.
DirectoryResult bind_as_profile(LDAP *session, LDAP_Config *record, const Secret &pw, int *refused);

// Returns a session on the profile's hosts (open_profile_session) bound
// as above, for the caller to close with platform::unbind; null when none
// could be opened. result tells how the opening or the bind went, *code
// the export's code for it.
LDAP *open_bound_profile_session(LDAP_Config *record, const Secret &pw, DirectoryResult &result, int *code);

}  // namespace qor
