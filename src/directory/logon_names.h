// The Windows logon names that the password check takes from a profile
// and a user string for the NTLM logon check.
#pragma once

#include <string>

namespace qor {

// The logon domain of a DNS domain: the whole DNS name, leading dots
// skipped (a first label alone could name another domain that shares it).
// Empty when there is none.
std::string logon_domain(const char *dns_domain);

// The logon user name from a user string as the caller gave it: the whole
// string when it holds no "="; otherwise the first value after the first
// "=", commas skipped. False when nothing but commas follows the "=".
bool logon_user(const char *user, std::string &name);

// A down-level logon name (DOMAIN\user) names its own domain: name keeps
// the user, domain becomes DOMAIN. Other names leave both as they are.
void split_down_level(std::string &name, std::string &domain);

}  // namespace qor
