// Private to the session module (directory_session.h): password sessions
// on one entry of a profile's host list, new or kept.
#pragma once

#include <string>

#include "directory/directory_session.h"

namespace qor {

// Returns a password session on hosts (the profile's whole list, or one
// entry of it) with the protocol version, the deadlines of limits and
// referrals never chased; null when the client could not open it, with
// failure saying why.
LDAP *open_password_session(LDAP_Config *record, const std::string &hosts, const SessionLimits &limits,
                            DirectoryResult &failure);

// Returns what open_password_session opens for record and hosts, as one
// text: the record's values it reads and, for SSL, the TLS settings in
// force. Sessions with equal keys are interchangeable.
std::string password_session_key(LDAP_Config *record, const std::string &hosts);

// The password check's session: a kept one when there is one, otherwise
// a new one; given back to be kept, or closed, when it goes.
class PasswordSession {
  public:
    PasswordSession(LDAP_Config *record, const std::string &hosts, const SessionLimits &limits,
                    DirectoryResult &failure);
    ~PasswordSession();
    PasswordSession(const PasswordSession &) = delete;
    PasswordSession &operator=(const PasswordSession &) = delete;

    // Returns the handle; null when none could be opened.
    LDAP *get() const { return ld_; }
    // Returns true for a kept session, one that served an earlier call.
    bool kept() const { return kept_; }
    // The last request's code: a session whose requests the server
    // answered may be kept; one that failed in the client or on the way
    // is closed.
    void finished(int last_code) { reusable_ = last_code < platform::kServerDown; }

  private:
    std::string key_;
    LDAP *ld_ = nullptr;
    bool kept_ = false;
    bool reusable_ = false;
};

}  // namespace qor
