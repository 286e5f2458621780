// The Kerberos password change over MIT Kerberos. The context's settings
// live in memory (a profile whose only source is the table built here),
// and the context is made "secure": neither krb5.conf nor KRB5_CONFIG nor
// any other environment variable decides where the password goes.
#include "platform/kpasswd.h"

#include <krb5/krb5.h>
#include <profile.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace qor::platform {
namespace {

// A ticket for the password-change service serves one request.
constexpr krb5_deltat kTicketLifetimeSeconds = 300;
constexpr char kChangeService[] = "kadmin/changepw";

using Path = std::vector<std::string>;
using Relations = std::map<Path, std::vector<std::string>>;

// Everything the client looks up resolves here or falls back to the
// library's built-in default; nothing is asked of DNS.
Relations relations_for(const KerberosRealm &realm) {
    Relations r;
    const std::string timeout = std::to_string(realm.timeout_seconds) + "s";
    const std::pair<const char *, std::string> defaults[] = {
        {"default_realm", realm.name},
        {"dns_lookup_kdc", "false"},
        {"dns_lookup_realm", "false"},
        {"dns_canonicalize_hostname", "false"},
        {"rdns", "false"},
        {"forwardable", "false"},
        {"proxiable", "false"},
        {"request_timeout", timeout},
    };
    for (const auto &[name, value] : defaults) r[{"libdefaults", name}] = {value};
    for (const char *role : {"kdc", "admin_server", "kpasswd_server"}) r[{"realms", realm.name, role}] = realm.hosts;
    return r;
}

char *copy_text(const std::string &text) {
    char *out = static_cast<char *>(malloc(text.size() + 1));
    if (out != nullptr) memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

void free_values(void *, char **values) {
    for (char **v = values; v != nullptr && *v != nullptr; ++v) free(*v);
    free(values);
}

long get_values(void *cbdata, const char *const *names, char ***ret_values) {
    const Relations &relations = *static_cast<const Relations *>(cbdata);
    Path path;
    for (; *names != nullptr; ++names) path.emplace_back(*names);
    auto it = relations.find(path);
    if (it == relations.end() || it->second.empty()) return PROF_NO_RELATION;
    char **values = static_cast<char **>(calloc(it->second.size() + 1, sizeof(char *)));
    if (values == nullptr) return ENOMEM;
    for (size_t i = 0; i < it->second.size(); ++i) {
        values[i] = copy_text(it->second[i]);
        if (values[i] == nullptr) {
            free_values(nullptr, values);
            return ENOMEM;
        }
    }
    *ret_values = values;
    return 0;
}

std::string message(krb5_context ctx, krb5_error_code code) {
    const char *text = krb5_get_error_message(ctx, code);
    std::string copy = text != nullptr ? text : "";
    krb5_free_error_message(ctx, text);
    return copy;
}

KpasswdStatus status_of(krb5_error_code code) {
    switch (code) {
        case KRB5_KDC_UNREACH:
        case KRB5_REALM_CANT_RESOLVE:
        case KRB5_REALM_UNKNOWN:
            return KpasswdStatus::kUnreachable;
        default:
            return KpasswdStatus::kFailed;
    }
}

// The change with credentials for the service in hand.
KpasswdResult change_with(krb5_context ctx, krb5_creds *creds, const char *new_password) {
    int result_code = 0;
    krb5_data code_text{}, server_text{};
    krb5_error_code rc = krb5_change_password(ctx, creds, new_password, &result_code, &code_text, &server_text);
    KpasswdResult result;
    if (rc != 0) {
        result = {status_of(rc), message(ctx, rc)};
    } else if (result_code == KRB5_KPASSWD_SUCCESS) {
        result.status = KpasswdStatus::kChanged;
    } else {
        // The server's text, or what the client makes of a structured
        // policy answer.
        char *text = nullptr;
        if (krb5_chpw_message(ctx, &server_text, &text) == 0 && text != nullptr) result.text = text;
        krb5_free_string(ctx, text);
        if (result.text.empty()) result.text.assign(code_text.data, code_text.length);
        result.status = result_code == KRB5_KPASSWD_SOFTERROR ? KpasswdStatus::kRefused : KpasswdStatus::kFailed;
    }
    krb5_free_data_contents(ctx, &code_text);
    krb5_free_data_contents(ctx, &server_text);
    return result;
}

KpasswdResult change_in(krb5_context ctx, const KerberosRealm &realm, const std::string &user, bool enterprise,
                        const char *old_password, const char *new_password) {
    krb5_principal client = nullptr;
    krb5_error_code rc =
        enterprise ? krb5_parse_name_flags(ctx, user.c_str(), KRB5_PRINCIPAL_PARSE_ENTERPRISE, &client)
                   : krb5_build_principal(ctx, &client, static_cast<unsigned>(realm.name.size()), realm.name.c_str(),
                                          user.c_str(), static_cast<const char *>(nullptr));
    if (rc != 0) return {KpasswdStatus::kFailed, message(ctx, rc)};
    krb5_get_init_creds_opt *opts = nullptr;
    rc = krb5_get_init_creds_opt_alloc(ctx, &opts);
    KpasswdResult result{KpasswdStatus::kFailed, rc != 0 ? message(ctx, rc) : std::string()};
    if (rc == 0) {
        krb5_get_init_creds_opt_set_tkt_life(opts, kTicketLifetimeSeconds);
        krb5_get_init_creds_opt_set_forwardable(opts, 0);
        krb5_get_init_creds_opt_set_proxiable(opts, 0);
        krb5_get_init_creds_opt_set_change_password_prompt(opts, 0);
        krb5_get_init_creds_opt_set_canonicalize(opts, enterprise ? 1 : 0);
        krb5_creds creds{};
        rc = krb5_get_init_creds_password(ctx, &creds, client, old_password, nullptr, nullptr, 0, kChangeService, opts);
        if (rc == KRB5KDC_ERR_PREAUTH_FAILED || rc == KRB5KRB_AP_ERR_BAD_INTEGRITY)
            result = {KpasswdStatus::kOldPasswordRefused, message(ctx, rc)};
        else if (rc != 0)
            result = {status_of(rc), message(ctx, rc)};
        else
            result = change_with(ctx, &creds, new_password);
        krb5_free_cred_contents(ctx, &creds);
        krb5_get_init_creds_opt_free(ctx, opts);
    }
    krb5_free_principal(ctx, client);
    return result;
}

}  // namespace

KpasswdResult kpasswd_change(const KerberosRealm &realm, const std::string &user, bool enterprise,
                             const char *old_password, const char *new_password) {
    if (realm.name.empty() || realm.hosts.empty()) return {KpasswdStatus::kUnreachable, "no realm or host"};
    // The profile shares the table (no copy function): it lives until the
    // context is freed.
    const Relations relations = relations_for(realm);
    profile_vtable vtable{};
    vtable.minor_ver = 1;
    vtable.get_values = get_values;
    vtable.free_values = free_values;
    profile_t profile = nullptr;
    if (profile_init_vtable(&vtable, const_cast<Relations *>(&relations), &profile) != 0)
        return {KpasswdStatus::kFailed, "no Kerberos settings"};
    krb5_context ctx = nullptr;
    krb5_error_code rc = krb5_init_context_profile(profile, KRB5_INIT_CONTEXT_SECURE, &ctx);
    profile_release(profile);
    if (rc != 0) return {KpasswdStatus::kFailed, "no Kerberos context"};
    KpasswdResult result = change_in(ctx, realm, user, enterprise, old_password, new_password);
    krb5_free_context(ctx);
    return result;
}

}  // namespace qor::platform
