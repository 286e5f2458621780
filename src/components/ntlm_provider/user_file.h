// Where the server side finds the users it accepts.
//
// The user file holds one user a line in smbpasswd form, with the NT hash
// and no plain-text password:
//   DOMAIN\user:0:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:<32 hex NT hash>:[U          ]:LCT-00000000:
// Write domains in upper case. The file is read afresh at every verdict;
// replace it atomically (write a new file, then rename it over the old).
//
// Location: the file named by the environment variable QORSSPI_USER_FILE
// when it is set and not empty; otherwise <sysconfdir>/qorldap9/ntlm-users
// when that file exists; otherwise there is no user file and the server
// side asks winbind (a host joined to a domain), unless NTLM_USER_FILE is
// set, which makes it refuse every logon.
#pragma once

#include <string>

namespace qorsspi {

// The user file's path, or "" when the server side is to ask winbind.
std::string user_file_path();

// The logon as the user file names it, as winbind would resolve it: a
// principal name (user@dns.domain) the file does not hold whole becomes
// the user in that domain; a domain under which the file does not name
// the user becomes another name of the same domain under which it does,
// the first label of its DNS name or the NetBIOS name winbind knows for
// it. Anything else stays as given.
void user_file_logon(const std::string &file, std::string *user, std::string *domain);

}  // namespace qorsspi
