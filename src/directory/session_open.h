// Sessions of the password operations: SSL for any nonzero Ssl, the
// protocol version and a request deadline from the profile's Timeout set,
// referrals never chased.
#pragma once

#include <string>

#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

// True when the profile's password sessions use SSL.
bool password_session_uses_ssl(const LDAP_Config *record);
// The code for a session that could not be initialised: LDC_E_SSL_INIT
// or LDC_E_PLAIN_INIT.
int password_session_init_error(const LDAP_Config *record);

// A session on hosts (the profile's whole list, or one entry of it).
// Null when the client could not initialise the session (then noted as
// the connect step's outcome).
LDAP *open_password_session(LDAP_Config *record, const std::string &hosts);
// The same on the profile's whole list.
LDAP *open_password_session(LDAP_Config *record);

// What open_password_session opens for record and hosts, as one text:
// the record's values it reads and, for SSL, the TLS settings in force.
// Sessions with equal keys are interchangeable.
std::string password_session_key(LDAP_Config *record, const std::string &hosts);

// The password check's session: a kept one when there is one, otherwise
// a new one; given back to be kept, or closed, when it goes.
class PasswordSession {
  public:
    PasswordSession(LDAP_Config *record, const std::string &hosts);
    ~PasswordSession();
    PasswordSession(const PasswordSession &) = delete;
    PasswordSession &operator=(const PasswordSession &) = delete;

    // Null when none could be opened.
    LDAP *get() const { return ld_; }
    // True for a kept session, one that served an earlier call.
    bool kept() const { return kept_; }
    // The bind's result: a session whose bind the server answered may be
    // kept; one that failed in the client or on the way is closed.
    void bound(int result) { reusable_ = result < platform::kServerDown; }

  private:
    std::string key_;
    LDAP *ld_ = nullptr;
    bool kept_ = false;
    bool reusable_ = false;
};

}  // namespace qor
