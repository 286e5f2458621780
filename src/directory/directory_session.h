// The directory sessions of the library, behind one face.
//
// What it takes care of
//   - Opening a session from a profile: SSL for any nonzero Ssl (decided
//     here, once, for every caller), the protocol version, the deadlines
//     of SessionLimits, referrals never chased on a password session.
//   - Kept connections of the password check: an idle, connected session
//     is bound again by the next check whose session would equal it.
//   - Failover over the profile's list of hosts: a session to each host
//     in turn until one answers; a host that gave no answer is remembered
//     for a while and tried after the others.
//   - The time limits and the failover policy all of that follows.
//
// Who owns what
//   - A handle from open_profile_session is its caller's, who closes it
//     with platform::unbind.
//   - A HostSession belongs to on_answering_host; the attempt borrows it
//     for its call and never closes or keeps its handle.
//   - Kept connections, the dead-host memory and the limits are
//     process-wide, owned here, and never destroyed (other threads may
//     still use them while the process exits); kept connections are
//     closed at unload, and a child of fork() never uses its parent's.
//
// Which thread may call what
//   - Any thread may call any function at any time; one session is used
//     by one thread at a time.
//   - The ..._for_testing functions are called while no other thread
//     uses a session.
#pragma once

#include <functional>

#include "directory/directory_result.h"
#include "directory/session_limits.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

// Returns true when the profile's sessions use SSL: any nonzero Ssl, so
// that a password never crosses the network in clear because of which
// nonzero value the profile holds.
bool uses_ssl(const LDAP_Config *record);

// Returns a session on the profile's whole host list with the profile's
// five options and the request deadline of its Timeout, for the caller
// to bind and close; null when the client could not open it, with result
// saying why (the connect step). Referrals follow the profile's Referal.
LDAP *open_profile_session(LDAP_Config *record, DirectoryResult &result);

// Returns an empty result when a password session on the profile's hosts
// can be opened (it is closed again at once, unbound), else the connect
// step's failure, marked no_session.
DirectoryResult password_session_opens(LDAP_Config *record);

// A session to one host of the list, lent to an attempt. Its requests
// return their step's result; the session remembers whether the host
// answered any of them, which decides failover, and the last code, which
// decides whether a kept session may serve again.
class HostSession {
  public:
    // request_deadline: what the session's requests wait (set when it
    // was opened).
    HostSession(LDAP *ld, const SessionLimits &limits, std::chrono::milliseconds request_deadline)
        : ld_(ld), limits_(limits), request_deadline_(request_deadline) {}
    HostSession(const HostSession &) = delete;
    HostSession &operator=(const HostSession &) = delete;

    // Returns the result of a simple bind as dn with the password-policy
    // request control, waited for the bind deadline.
    DirectoryResult bind(const char *dn, const char *password);
    // Returns the result of a modify request on dn with the
    // password-policy request control, waited for the change deadline:
    // the longer of the request deadline and limits.outstanding_change.
    DirectoryResult modify(const char *dn, LDAPMod **mods);
    // Returns the result of the password-modify operation (RFC 3062) on
    // dn with the password-policy request control, noted as the modify
    // step and waited for the change deadline.
    DirectoryResult password_modify(const char *dn, const char *old_password, const char *new_password);
    // Returns the handle, for searches (waited for the request deadline).
    LDAP *handle() const { return ld_; }
    // Returns true when the host answered a request of this session.
    bool answered() const { return answered_; }
    // Returns the code of the session's last request.
    int last_code() const { return last_code_; }

  private:
    DirectoryResult note(DirectoryResult result, const platform::PasswordPolicy &policy);
    // Returns the code of request, sent and waited for the change deadline.
    int change_request(const std::function<int()> &request);

    LDAP *ld_;
    const SessionLimits &limits_;
    std::chrono::milliseconds request_deadline_;
    bool answered_ = false;
    int last_code_ = 0;
};

using HostAttempt = std::function<DirectoryResult(HostSession &session)>;

// Runs attempt on a password session to each host of the profile's list
// in turn (those that gave no answer lately last; a kept session when
// keep is true and there is one), until a host answers. Only an attempt
// whose host answered nothing moves on to the next host, so that nothing
// the directory may have acted on is sent twice. Returns the result of
// the attempt on the host that answered, the last one when none did, or
// the connect step's failure marked no_session when no session could be
// opened at all.
DirectoryResult on_answering_host(LDAP_Config *record, bool keep, const HostAttempt &attempt);

// Returns the result of a simple bind as dn on the first host that
// answers (on a kept session where keep allows and there is one), or as
// on_answering_host.
DirectoryResult bind_on_answering_host(LDAP_Config *record, const char *dn, const char *password, bool keep);

// Closes every idle kept connection. Also what runs at unload.
void close_kept_sessions();

}  // namespace qor
