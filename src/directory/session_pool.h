// Private to the session module (directory_session.h): idle, connected
// sessions kept between password checks, process-wide, under the keep
// policy of the limits in force.
// A session is taken out by one caller at a time, bound again by it and
// given back; the key names everything that decides what a new session
// would be, so that a kept session is one a new one would equal.
#pragma once

#include <string>

#include "platform/ldap_client.h"

namespace qor {

// A kept session for key, idle and still connected, or null (the caller
// then opens one). Every call is paired with give_back_session.
LDAP *take_session(const std::string &key);
// Ends a take_session: ld (a kept one or the caller's new one; null when
// none could be opened) is kept when reusable and there is room, and
// closed otherwise.
void give_back_session(const std::string &key, LDAP *ld, bool reusable);

}  // namespace qor
