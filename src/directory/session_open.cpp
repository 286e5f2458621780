#include "directory/session_open.h"

#include <string>

#include "directory/last_outcome.h"
#include "directory/session_pool.h"
#include "util/text.h"

namespace qor {
namespace {

// The largest answer a password session reads: a result with its
// diagnostic and controls, or one entry of the few attributes the library
// asks for, is far smaller; a hostile server's endless diagnostic is not.
constexpr size_t kMaxAnswerBytes = 1 << 20;

}  // namespace

// A profile that asks for SSL in any form gets it: a user's password never
// crosses the network in clear because of which nonzero value the profile
// holds.
bool password_session_uses_ssl(const LDAP_Config *r) { return r->Ssl != 0; }

int password_session_init_error(const LDAP_Config *r) {
    return password_session_uses_ssl(r) ? LDC_E_SSL_INIT : LDC_E_PLAIN_INIT;
}

LDAP *open_password_session(LDAP_Config *r, const std::string &hosts) {
    LDAP *ld = password_session_uses_ssl(r) ? platform::ldap_sslinit(hosts.c_str(), r->Port, 1)
                                            : platform::ldap_init(hosts.c_str(), r->Port);
    if (ld == nullptr) {
        outcome_note(LDC_STEP_CONNECT, platform::last_error(), nullptr);
        return nullptr;
    }
    platform::set_option(ld, platform::kOptProtocolVersion, &r->Version);
    platform::set_request_deadline(ld, r->Timeout);
    platform::limit_answer_size(ld, kMaxAnswerBytes);
    // A chased referral would re-send the bind or the modify, password
    // included, to whatever host the answer names, over whatever transport
    // its URL says; a referral is a refusal here, whatever the profile's
    // Referal says.
    const int off = 0;
    if (platform::set_option(ld, platform::kOptReferrals, &off) != 0) {
        platform::unbind(ld);
        return nullptr;
    }
    return ld;
}

LDAP *open_password_session(LDAP_Config *r) { return open_password_session(r, field_text(r->HostNames)); }

std::string password_session_key(LDAP_Config *r, const std::string &hosts) {
    std::string key = hosts;
    for (int32_t value : {r->Port, r->Version, r->Timeout}) key += '\n' + std::to_string(value);
    if (password_session_uses_ssl(r)) key += "\nssl\n" + platform::tls_settings();
    return key;
}

PasswordSession::PasswordSession(LDAP_Config *r, const std::string &hosts)
    : key_(password_session_key(r, hosts)), ld_(take_session(key_)), kept_(ld_ != nullptr) {
    if (kept_) return;
    ld_ = open_password_session(r, hosts);
    if (ld_ != nullptr) platform::prepare_to_keep(ld_);
}

PasswordSession::~PasswordSession() { give_back_session(key_, ld_, reusable_); }

}  // namespace qor
