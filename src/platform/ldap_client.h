// The platform LDAP client, with the semantics of the Windows client
// (WLDAP32): result codes are positive LDAP C API values, initialisation
// failures leave a per-thread last error, and the session handle is the
// client's own handle. One backend per platform.
#pragma once

#if defined(_WIN32)
#include <winsock2.h>  // before windows.h, which would bring the old one
#include <windows.h>
#include <winldap.h>
#else
#include <ldap.h>
#endif

#include <chrono>
#include <string>

#include "platform/ldap_deadlines.h"
#include <vector>

namespace qor::platform {

// Session options, numbered as both clients number them.
constexpr int kOptDeref = 2;
constexpr int kOptSizeLimit = 3;
constexpr int kOptTimeLimit = 4;
constexpr int kOptReferrals = 8;
constexpr int kOptProtocolVersion = 17;

// Client-side result codes, numbered as the Windows client numbers them
// (libldap's own values are negative; the backend maps them).
constexpr int kServerDown = 81;
constexpr int kLocalError = 82;
constexpr int kTimeout = 85;
constexpr int kParamError = 89;
constexpr int kNoMemory = 90;
constexpr int kConnectError = 91;

// Opens a session on a blank-separated list of hosts, each optionally
// followed by ":port"; port applies to entries without one, deadlines to
// its waits (WLDAP32 applies the connect deadline to connect() only).
// Returns null on failure, with the reason in last_error().
LDAP *ldap_init(const char *hosts, int port, const Deadlines &deadlines);
// The same over SSL (ldaps), certificates verified.
LDAP *ldap_sslinit(const char *hosts, int port, int secure, const Deadlines &deadlines);
// The code of this thread's last failed initialisation.
int last_error();

// What a server's password-policy response control said (numbered as
// its error and warning fields are); kNone where it said nothing. Also
// whether a server's result message answered the request at all: a code
// the server sent is its answer even where its number is one of the
// client's own (81, 85, 91).
struct PasswordPolicy {
    static constexpr int kNone = -1;
    bool from_server = false;  // the code came in the server's result message
    int error = kNone;         // 0 expired ... 9 too long
    int grace_logins = kNone;  // logins left after expiry
    int seconds_to_expiry = kNone;
};

// value points to a 32-bit integer. Returns an LDAP result code.
int set_option(LDAP *ld, int option, const void *value);
// Sets how long the client waits for the answer to each request on the
// session but a bind (a no-op on Windows, whose client has no such
// deadline beyond the server's time limit).
void set_request_deadline(LDAP *ld, std::chrono::milliseconds deadline);
// Returns the LDAP code of a simple bind whose answer is waited for at
// most deadline (85 after it). With policy given, the request carries the
// password-policy request control and policy receives the server's
// answer, where the client supports the control (on Windows policy stays
// empty).
int simple_bind_s(LDAP *ld, const char *dn, const char *password, std::chrono::milliseconds deadline,
                  PasswordPolicy *policy = nullptr);
// Returns the LDAP code of connecting now within deadline, so that a dead
// server shows before a bind.
int connect(LDAP *ld, std::chrono::milliseconds deadline);
// Binds with the calling process's own credentials (negotiate).
int negotiate_bind_s(LDAP *ld);
int search_s(LDAP *ld, const char *base, int scope, const char *filter, char **attrs, int attrsonly,
             LDAPMessage **result);
// True when the result holds at least one entry.
bool has_entry(LDAP *ld, LDAPMessage *result);
// The DN of the result's first entry; empty when it holds none.
std::string first_entry_dn(LDAP *ld, LDAPMessage *result);
// The DN in one canonical text: parsed by the client's DN parser, types
// and values lower-cased (ASCII letters), values re-escaped, so that two
// spellings of one DN give the same text. False when dn is not a DN.
bool normalised_dn(const char *dn, std::string *out);
void msgfree(LDAPMessage *result);
int modify_s(LDAP *ld, const char *dn, LDAPMod **mods, PasswordPolicy *policy = nullptr);
// The password-modify extended operation (RFC 3062) on the session: dn's
// password from old_password to new_password, which the server hashes by
// its own rules. Returns an LDAP result code; policy as for modify_s.
int password_modify_s(LDAP *ld, const char *dn, const char *old_password, const char *new_password,
                      PasswordPolicy *policy = nullptr);
// The object identifier of that operation, as servers list it in the root
// DSE's supportedExtension.
constexpr const char *kPasswordModifyOid = "1.3.6.1.4.1.4203.1.11.1";
// The values of attribute in the result's first entry (text values);
// empty when there is no entry or no such attribute.
std::vector<std::string> first_entry_values(LDAP *ld, LDAPMessage *result, const char *attribute);
// Bounds each answer the session reads: one longer than max_bytes ends
// the session's connection before any of it is kept, and the request
// fails as on a lost connection. The Windows client offers no such bound;
// there this does nothing.
void limit_answer_size(LDAP *ld, size_t max_bytes);
// Makes the session wipe each request's encoding (a bind's password among
// it) once sent, so that no copy goes back to the heap. Only for sessions
// that never chase a referral (the client re-reads the request for that).
// On Windows the system client owns its buffers; there this does nothing.
void wipe_sent_requests(LDAP *ld);
// Whether the session runs over TLS (an ldaps session).
bool uses_tls(LDAP *ld);
// The server's diagnostic text for the last request on the session (or
// the client's own text for a failure it detected); empty when none.
std::string diagnostic(LDAP *ld);
void unbind(LDAP *ld);

// Kept sessions: a session kept open between calls and bound again.
// Makes a session fit to be kept: the client never reconnects it by
// itself (it would send the last bind again on a new connection).
void prepare_to_keep(LDAP *ld);
// True only when the session's connection is open and idle: nothing has
// arrived on it (no end-of-file, no unread data, no error). Asks the
// socket, never the server. False also when that cannot be told.
bool connection_idle(LDAP *ld);
// Everything outside a session's own options that decides what a new SSL
// session would trust (CA file or folder and their modification times,
// the certificate demand...), as one text: equal texts, equal trust.
std::string tls_settings();
// The client's text for an LDAP result code; static, never freed.
char *err2string(int code);

}  // namespace qor::platform
