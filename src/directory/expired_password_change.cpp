#include "directory/expired_password_change.h"

#include <cctype>
#include <chrono>
#include <string>
#include <string_view>

#include "config/user_dn.h"
#include "directory/directory_session.h"
#include "directory/logon_entry.h"
#include "directory/logon_names.h"
#include "directory/outcome_reason.h"
#include "directory/unicode_pwd.h"
#include "platform/kpasswd.h"
#include "platform/ldap_client.h"
#include "util/secret.h"
#include "util/text.h"

namespace qor {
namespace {

enum class WayEnd {
    kMade,
    kOldPasswordRefused,
    kFailed,   // the way was taken and the change failed: no other way is tried
    kNotOpen,  // the way cannot serve this profile or user: the next one may
};

constexpr size_t kDomainSize = 260;
// Active Directory's answer to a change whose old password is wrong.
constexpr std::string_view kAdWrongOldPassword = "00000056";

WayEnd end_of_modify(int code, std::string_view diagnostic) {
    if (code == LDAP_SUCCESS) return WayEnd::kMade;
    if (code == LDAP_CONSTRAINT_VIOLATION)
        return diagnostic.substr(0, kAdWrongOldPassword.size()) == kAdWrongOldPassword ? WayEnd::kOldPasswordRefused
                                                                                       : WayEnd::kFailed;
    // Sent and not answered: it may have been carried out.
    if (unanswered(code)) return WayEnd::kFailed;
    return WayEnd::kNotOpen;  // the bind user may not change it
}

WayEnd through_bind_user(LDAP_Config *r, const char *name, const char *old_password, const char *new_password,
                         DirectoryResult &result) {
    std::string bind_user = field_text(r->BindDN);
    Secret bind_password(field_view(r->BindPwd));
    char bind_name[kUserDnSize] = {0};
    if (bind_user.empty() || bind_password.empty() ||
        !form_bind_name(r, bind_user.c_str(), bind_name, sizeof bind_name) || bind_name[0] == '\0')
        return WayEnd::kNotOpen;
    WayEnd end = WayEnd::kNotOpen;
    result = on_answering_host(r, false, [&](HostSession &session) {
        end = WayEnd::kNotOpen;
        DirectoryResult bind = session.bind(bind_name, bind_password.c_str());
        if (!bind.ok()) return bind;
        // A logon name binds, but the modify request needs the entry's DN.
        std::string entry = is_logon_name(r, name) ? logon_entry_dn(session.handle(), r, name) : name;
        if (entry.empty()) return known_result(LDC_STEP_SEARCH, LDAP_NO_SUCH_OBJECT, LDC_REASON_NO_SUCH_USER);
        DirectoryResult modify = modify_unicode_pwd(session, entry.c_str(), old_password, new_password);
        modify.step = LDC_STEP_BIND_USER_MODIFY;
        end = end_of_modify(modify.code, modify.text.view());
        return modify;
    });
    return end;
}

// The realm and its hosts: the base DN's DNS domain in capitals, the
// profile's hosts without their LDAP ports.
bool kerberos_realm(const LDAP_Config *r, platform::KerberosRealm *realm) {
    char dns[kDomainSize] = {0};
    if (LDC_formDnsDomainEx(r, dns, sizeof dns) != 1 || dns[0] == '\0') return false;
    realm->name = dns;
    for (char &c : realm->name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Tokens tokens(field_view(r->HostNames), " ");
    std::string_view entry;
    while (tokens.next(entry)) {
        size_t colon = entry.find(':');
        if (colon != std::string_view::npos && entry.find(':', colon + 1) == std::string_view::npos)
            entry = entry.substr(0, colon);
        if (!entry.empty()) realm->hosts.emplace_back(entry);
    }
    realm->timeout_seconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(request_deadline(session_limits(), r->Timeout)).count());
    return !realm->hosts.empty();
}

constexpr int kOtherFailure = 80;  // LDAP's "other"

// The record's code for each end of the Kerberos change.
int kpasswd_code(platform::KpasswdStatus status) {
    switch (status) {
        case platform::KpasswdStatus::kChanged:
            return LDAP_SUCCESS;
        case platform::KpasswdStatus::kOldPasswordRefused:
            return LDAP_INVALID_CREDENTIALS;
        case platform::KpasswdStatus::kRefused:
            return LDAP_CONSTRAINT_VIOLATION;
        case platform::KpasswdStatus::kUnreachable:
            return platform::kServerDown;
        default:
            return kOtherFailure;
    }
}

WayEnd through_kerberos(const LDAP_Config *r, const char *user, const char *old_password, const char *new_password,
                        DirectoryResult &result) {
    platform::KerberosRealm realm;
    std::string account;
    if (!kerberos_realm(r, &realm) || !logon_user(user, account)) return WayEnd::kNotOpen;
    // DOMAIN\user names the account; a principal name (user@domain) is
    // resolved by the KDC; a DN names it by its first value.
    std::string ignored;
    split_down_level(account, ignored);
    bool enterprise = is_logon_name(r, user) && account.find('@') != std::string::npos;
    platform::KpasswdResult answer = platform::kpasswd_change(realm, account, enterprise, old_password, new_password);
    if (answer.status == platform::KpasswdStatus::kNotAvailable) return WayEnd::kNotOpen;
    result = text_result(LDC_STEP_KPASSWD, kpasswd_code(answer.status), answer.text);
    switch (answer.status) {
        case platform::KpasswdStatus::kChanged:
            return WayEnd::kMade;
        case platform::KpasswdStatus::kOldPasswordRefused:
            return WayEnd::kOldPasswordRefused;
        default:
            return WayEnd::kFailed;
    }
}

}  // namespace

bool bind_refused_until_changed(const LDAP_Config *r, const DirectoryResult &check) {
    return (r->MBFlags & LDC_MB_AD) && check.step == LDC_STEP_BIND &&
           bind_refused_until_changed(check.code, check.text.view());
}

int change_expired_password(LDAP_Config *r, const char *user, const char *name, const char *old_password,
                            const char *new_password, DirectoryResult &result) {
    DirectoryResult way;
    WayEnd end = through_bind_user(r, name, old_password, new_password, way);
    if (end == WayEnd::kNotOpen) end = through_kerberos(r, user, old_password, new_password, way);
    // With no way open the check's refusal stays the answer.
    if (end != WayEnd::kNotOpen) result = std::move(way);
    switch (end) {
        case WayEnd::kMade:
            return 0;
        case WayEnd::kFailed:
            return LDC_E_CHANGE_FAILED;
        default:
            return LDC_E_OLD_PASSWORD;
    }
}

}  // namespace qor
