// Forming user DNs from bare names, for the library's own callers.
#pragma once

#include <cstddef>

#include "qorldap9.h"

namespace qor {

// The longest user string the directory operations take, and the room
// the name patterns add around it ("uid=" and ",ou=people,").
constexpr size_t kUserStringMax = 259;
constexpr size_t kPatternRoom = 15;

// The DN buffer of the library's own directory operations, sized for
// every input the interface allows: a user name of kUserStringMax
// characters, each escaped, in the longest pattern, before the longest
// BaseDN. A DN that does not fit is refused, never cut into another DN.
constexpr size_t kUserDnSize = kPatternRoom + 2 * kUserStringMax + LDC_BASEDN_SIZE;

// Writes the DN of user into dn (size bytes): a user string holding a
// comma is taken as a whole DN; a bare name becomes the value of the
// uid or cn pattern that MBFlags selects, escaped as DN value text. With
// neither pattern bit set dn is left as it was. Returns false, with dn
// made empty, when the DN does not fit.
bool form_user_dn(const LDAP_Config *record, const char *user, char *dn, size_t size);

// True when user is an Active Directory logon name, which the domain
// controller takes as a simple-bind name as it stands: on a profile with
// the AD bit, a user principal name (user@dns.domain) or a down-level
// name (DOMAIN\user), holding no comma.
bool is_logon_name(const LDAP_Config *record, const char *user);

// The name the library's own binds send for user: a logon name as given,
// anything else the DN of form_user_dn. LDC_formUserDNEx keeps the DN
// patterns for every name.
bool form_bind_name(const LDAP_Config *record, const char *user, char *dn, size_t size);

// The room LDC_formUserDNEx promises its callers for user: the user,
// BaseDN, kPatternRoom characters and a terminator; what the pattern
// leaves of kPatternRoom holds escapes.
size_t user_dn_room(const LDAP_Config *record, const char *user);

}  // namespace qor
