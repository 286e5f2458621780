#include "directory/session_open.h"

#include <string>

#include "directory/session_pool.h"
#include "util/text.h"

namespace qor {
namespace {

// The largest answer a password session reads: a result with its
// diagnostic and controls, or one entry of the few attributes the library
// asks for, is far smaller; a hostile server's endless diagnostic is not.
constexpr size_t kMaxAnswerBytes = 1 << 20;

LDAP *open_on(LDAP_Config *r, const std::string &hosts, const platform::Deadlines &deadlines,
              DirectoryResult &failure) {
    LDAP *ld = uses_ssl(r) ? platform::ldap_sslinit(hosts.c_str(), r->Port, 1, deadlines)
                           : platform::ldap_init(hosts.c_str(), r->Port, deadlines);
    if (ld == nullptr) {
        failure = step_result(LDC_STEP_CONNECT, platform::last_error(), nullptr);
        failure.no_session = true;
    }
    return ld;
}

}  // namespace

bool uses_ssl(const LDAP_Config *r) { return r->Ssl != 0; }

LDAP *open_profile_session(LDAP_Config *r, DirectoryResult &result) {
    const SessionLimits limits = session_limits();
    LDAP *ld = open_on(r, field_text(r->HostNames), {limits.connect, request_deadline(limits, r->Timeout)}, result);
    if (ld == nullptr) return nullptr;
    // Every option is attempted; a value the client refuses leaves its
    // default in force.
    platform::set_option(ld, platform::kOptProtocolVersion, LDC_getVersionEx(r));
    platform::set_option(ld, platform::kOptSizeLimit, LDC_getSizeLimitEx(r));
    platform::set_option(ld, platform::kOptTimeLimit, LDC_getTimeoutEx(r));
    platform::set_option(ld, platform::kOptDeref, LDC_getDerefEx(r));
    platform::set_option(ld, platform::kOptReferrals, LDC_getReferalEx(r));
    return ld;
}

LDAP *open_password_session(LDAP_Config *r, const std::string &hosts, const SessionLimits &limits,
                            DirectoryResult &failure) {
    LDAP *ld = open_on(r, hosts, {limits.connect, request_deadline(limits, r->Timeout)}, failure);
    if (ld == nullptr) return nullptr;
    platform::set_option(ld, platform::kOptProtocolVersion, &r->Version);
    platform::limit_answer_size(ld, kMaxAnswerBytes);
    // A chased referral would re-send the bind or the modify, password
    // included, to whatever host the answer names, over whatever transport
    // its URL says; a referral is a refusal here, whatever the profile's
    // Referal says.
    const int off = 0;
    if (platform::set_option(ld, platform::kOptReferrals, &off) != 0) {
        platform::unbind(ld);
        failure = known_result(LDC_STEP_CONNECT, platform::kLocalError, LDC_REASON_UNKNOWN);
        failure.no_session = true;
        return nullptr;
    }
    platform::wipe_sent_requests(ld);
    return ld;
}

DirectoryResult password_session_opens(LDAP_Config *r) {
    DirectoryResult result;
    LDAP *ld = open_password_session(r, field_text(r->HostNames), session_limits(), result);
    platform::unbind(ld);
    return result;
}

std::string password_session_key(LDAP_Config *r, const std::string &hosts) {
    std::string key = hosts;
    for (int32_t value : {r->Port, r->Version, r->Timeout}) key += '\n' + std::to_string(value);
    if (uses_ssl(r)) key += "\nssl\n" + platform::tls_settings();
    return key;
}

PasswordSession::PasswordSession(LDAP_Config *r, const std::string &hosts, const SessionLimits &limits,
                                 DirectoryResult &failure)
    : key_(password_session_key(r, hosts)), ld_(take_session(key_)), kept_(ld_ != nullptr) {
    if (kept_) return;
    ld_ = open_password_session(r, hosts, limits, failure);
    if (ld_ != nullptr) platform::prepare_to_keep(ld_);
}

PasswordSession::~PasswordSession() { give_back_session(key_, ld_, reusable_); }

}  // namespace qor
