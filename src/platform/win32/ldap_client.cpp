// The platform LDAP client on Windows: WLDAP32 itself, whose result codes,
// last error and handles are the interface's own.
#include "platform/ldap_client.h"

#include <cstring>

#include "util/secret.h"

namespace qor::platform {
namespace {

struct l_timeval to_l_timeval(std::chrono::milliseconds wait) {
    long long ms = wait.count() > 0 ? wait.count() : 1;
    return {static_cast<LONG>(ms / 1000), static_cast<LONG>(ms % 1000 * 1000)};
}

}  // namespace

// The client takes no deadline at opening: connect() applies its own, and
// requests wait as long as the server's time limit allows.
LDAP *ldap_init(const char *hosts, int port, const Deadlines &) {
    return ::ldap_init(const_cast<PCHAR>(hosts), static_cast<ULONG>(port));
}

LDAP *ldap_sslinit(const char *hosts, int port, int secure, const Deadlines &) {
    return ::ldap_sslinit(const_cast<PCHAR>(hosts), static_cast<ULONG>(port), secure);
}

int last_error() { return static_cast<int>(LdapGetLastError()); }

int set_option(LDAP *ld, int option, const void *value) {
    if (ld == nullptr || value == nullptr) return kParamError;
    return static_cast<int>(::ldap_set_option(ld, option, value));
}

// WLDAP32's simple bind carries no controls: policy stays empty. The
// answer is awaited deadline long; a bind given up on is abandoned.
int simple_bind_s(LDAP *ld, const char *dn, const char *password, std::chrono::milliseconds deadline,
                  PasswordPolicy *policy) {
    if (policy != nullptr) *policy = PasswordPolicy{};
    ULONG msgid = ::ldap_simple_bind(ld, const_cast<PCHAR>(dn), const_cast<PCHAR>(password));
    // A bind that could not be sent leaves its LDAP code in the session
    // (the thread's last error may hold a socket error instead).
    if (msgid == static_cast<ULONG>(-1)) return ld->ld_errno != 0 ? static_cast<int>(ld->ld_errno) : kServerDown;
    struct l_timeval wait = to_l_timeval(deadline);
    LDAPMessage *result = nullptr;
    ULONG got = ::ldap_result(ld, msgid, LDAP_MSG_ALL, &wait, &result);
    if (got == 0 || got == static_cast<ULONG>(-1) || result == nullptr) {
        ::ldap_abandon(ld, msgid);
        return got == 0 ? kTimeout : ld->ld_errno != 0 ? static_cast<int>(ld->ld_errno) : kServerDown;
    }
    if (policy != nullptr) policy->from_server = true;
    return static_cast<int>(::ldap_result2error(ld, result, 1));
}

// WLDAP32 offers no client-side deadline for synchronous requests beyond
// the server's time limit, which the caller sets as an option of its own.
void set_request_deadline(LDAP *, std::chrono::milliseconds) {}

int connect(LDAP *ld, std::chrono::milliseconds deadline) {
    struct l_timeval timeout = to_l_timeval(deadline);
    return static_cast<int>(::ldap_connect(ld, &timeout));
}

int negotiate_bind_s(LDAP *ld) {
    // No name and no credentials: those of the calling process.
    return static_cast<int>(::ldap_bind_s(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE));
}

int search_s(LDAP *ld, const char *base, int scope, const char *filter, char **attrs, int attrsonly,
             LDAPMessage **result) {
    return static_cast<int>(::ldap_search_s(ld, const_cast<PCHAR>(base), static_cast<ULONG>(scope),
                                            const_cast<PCHAR>(filter), attrs, static_cast<ULONG>(attrsonly), result));
}

bool has_entry(LDAP *ld, LDAPMessage *result) { return result != nullptr && ::ldap_first_entry(ld, result) != nullptr; }

std::string first_entry_dn(LDAP *ld, LDAPMessage *result) {
    LDAPMessage *entry = result != nullptr ? ::ldap_first_entry(ld, result) : nullptr;
    PCHAR dn = entry != nullptr ? ::ldap_get_dn(ld, entry) : nullptr;
    std::string text = dn != nullptr ? dn : "";
    if (dn != nullptr) ::ldap_memfree(dn);
    return text;
}

bool normalised_dn(const char *dn, std::string *out) {
    // The client splits the DN into "type=value" components; their text is
    // lower-cased and the blanks around each "=" dropped.
    PCHAR *parts = dn != nullptr ? ::ldap_explode_dn(const_cast<PCHAR>(dn), 0) : nullptr;
    if (parts == nullptr || parts[0] == nullptr) {
        if (parts != nullptr) ::ldap_value_free(parts);
        return false;
    }
    out->clear();
    bool ok = true;
    for (int i = 0; parts[i] != nullptr; ++i) {
        std::string part = parts[i];
        size_t eq = part.find('=');
        if (eq == std::string::npos) ok = false;
        if (i > 0) out->push_back(',');
        for (size_t k = 0; k < part.size(); ++k) {
            char c = part[k];
            bool blank_at_eq =
                c == ' ' && ((k + 1 < part.size() && part[k + 1] == '=') || (k > 0 && part[k - 1] == '='));
            if (blank_at_eq) continue;
            out->push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
    }
    ::ldap_value_free(parts);
    return ok;
}

void msgfree(LDAPMessage *result) {
    if (result != nullptr) ::ldap_msgfree(result);
}

int modify_s(LDAP *ld, const char *dn, LDAPMod **mods, PasswordPolicy *policy) {
    if (policy != nullptr) *policy = PasswordPolicy{};
    return static_cast<int>(::ldap_modify_s(ld, const_cast<PCHAR>(dn), mods));
}

namespace {

// A BER length in its definite form.
void put_length(Secret &out, size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<char>(length));
        return;
    }
    char bytes[sizeof length];
    size_t n = 0;
    for (; length != 0; length >>= 8) bytes[n++] = static_cast<char>(length & 0xFF);
    out.push_back(static_cast<char>(0x80 | n));
    while (n > 0) out.push_back(bytes[--n]);
}

// The operation's request value: SEQUENCE { userIdentity [0], oldPasswd
// [1], newPasswd [2] }, each an OCTET STRING with a context tag.
Secret password_modify_value(const char *dn, const char *old_password, const char *new_password) {
    constexpr char kSequence = 0x30, kContextTag = static_cast<char>(0x80);
    Secret fields;
    const char *values[] = {dn, old_password, new_password};
    for (char tag = 0; tag < 3; ++tag) {
        const char *value = values[static_cast<int>(tag)] != nullptr ? values[static_cast<int>(tag)] : "";
        fields.push_back(static_cast<char>(kContextTag | tag));
        put_length(fields, strlen(value));
        fields.append(value);
    }
    Secret whole(1, kSequence);
    put_length(whole, fields.size());
    whole.append(fields);
    return whole;
}

}  // namespace

// WLDAP32's extended operation carries no controls here: policy stays empty.
int password_modify_s(LDAP *ld, const char *dn, const char *old_password, const char *new_password,
                      PasswordPolicy *policy) {
    if (policy != nullptr) *policy = PasswordPolicy{};
    Secret value = password_modify_value(dn, old_password, new_password);
    berval data{static_cast<ULONG>(value.size()), value.data()};
    PCHAR returned_oid = nullptr;
    berval *returned_data = nullptr;
    ULONG rc = ::ldap_extended_operation_sA(ld, const_cast<PCHAR>(kPasswordModifyOid), &data, nullptr, nullptr,
                                            &returned_oid, &returned_data);
    if (returned_oid != nullptr) ::ldap_memfreeA(returned_oid);
    if (returned_data != nullptr) ::ber_bvfree(returned_data);
    return static_cast<int>(rc);
}

std::vector<std::string> first_entry_values(LDAP *ld, LDAPMessage *result, const char *attribute) {
    std::vector<std::string> values;
    LDAPMessage *entry = result != nullptr ? ::ldap_first_entry(ld, result) : nullptr;
    PCHAR *found = entry != nullptr ? ::ldap_get_valuesA(ld, entry, const_cast<PCHAR>(attribute)) : nullptr;
    for (int i = 0; found != nullptr && found[i] != nullptr; ++i) values.emplace_back(found[i]);
    if (found != nullptr) ::ldap_value_freeA(found);
    return values;
}

bool uses_tls(LDAP *ld) {
    ULONG ssl = 0;
    return ld != nullptr && ::ldap_get_option(ld, LDAP_OPT_SSL, &ssl) == LDAP_SUCCESS && ssl != 0;
}

std::string diagnostic(LDAP *ld) {
    PCHAR text = nullptr;
    if (ld == nullptr || ::ldap_get_option(ld, LDAP_OPT_SERVER_ERROR, &text) != LDAP_SUCCESS) return "";
    std::string copy = text != nullptr ? text : "";
    if (text != nullptr) ::ldap_memfreeA(text);
    return copy;
}

void unbind(LDAP *ld) {
    if (ld != nullptr) ::ldap_unbind(ld);
}

void limit_answer_size(LDAP *, size_t) {}

void wipe_sent_requests(LDAP *) {}

void prepare_to_keep(LDAP *ld) {
    // After a lost connection the client would connect again and repeat
    // the last bind, a password check of an earlier call.
    if (ld != nullptr) ::ldap_set_option(ld, LDAP_OPT_AUTO_RECONNECT, LDAP_OPT_OFF);
}

bool connection_idle(LDAP *ld) {
    // The client's socket, where it exposes one; a client that does not
    // (Wine's) has its sessions closed instead of kept.
    if (ld == nullptr) return false;
    SOCKET s = static_cast<SOCKET>(ld->ld_sb.sb_sd);
    if (s == 0 || s == INVALID_SOCKET) return false;
    fd_set readable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&failed);
    FD_SET(s, &readable);
    FD_SET(s, &failed);
    struct timeval now = {0, 0};
    return select(0, &readable, nullptr, &failed, &now) == 0;
}

// The system's certificate store decides; a change there applies to new
// sessions and kept ones alike.
std::string tls_settings() { return std::string(); }

char *err2string(int code) { return ::ldap_err2string(static_cast<ULONG>(code)); }

}  // namespace qor::platform
