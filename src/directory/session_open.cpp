#include "directory/session_open.h"

#include <string>

#include "directory/last_outcome.h"
#include "directory/session_pool.h"
#include "util/text.h"

namespace qor {
namespace {

// Only Ssl == 1 selects SSL here, unlike ldapInitEx, which takes any
// nonzero value: profiles rely on the difference.
bool uses_ssl(LDAP_Config *r) { return LDC_isSslEx(r) != 0; }

}  // namespace

LDAP *open_password_session(LDAP_Config *r, const std::string &hosts) {
    LDAP *ld =
        uses_ssl(r) ? platform::ldap_sslinit(hosts.c_str(), r->Port, 1) : platform::ldap_init(hosts.c_str(), r->Port);
    if (ld == nullptr) {
        outcome_note(LDC_STEP_CONNECT, platform::last_error(), nullptr);
    } else {
        platform::set_option(ld, platform::kOptProtocolVersion, &r->Version);
        platform::set_request_deadline(ld, r->Timeout);
    }
    return ld;
}

LDAP *open_password_session(LDAP_Config *r) { return open_password_session(r, field_text(r->HostNames)); }

std::string password_session_key(LDAP_Config *r, const std::string &hosts) {
    std::string key = hosts;
    for (int32_t value : {r->Port, r->Version, r->Timeout}) key += '\n' + std::to_string(value);
    if (uses_ssl(r)) key += "\nssl\n" + platform::tls_settings();
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
