// The platform LDAP client over OpenLDAP's libldap, with the Windows
// client's semantics: positive result codes, a per-thread last error for
// failed initialisations, host lists of "host[:port]" entries.
//
// Map: result codes of either client (to_windows_code); opening a session
// with its timeouts and TLS context (open_session); binds, SASL and the
// password-policy control (sasl_bind, answered_request); the interface's
// calls from ldap_init to unbind; kept sessions (prepare_to_keep,
// connection_idle, tls_settings).
#include "platform/ldap_client.h"

#include <openssl/x509v3.h>
#include <poll.h>
#include <sasl/sasl.h>
#include <sys/auxv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/posix/ldap_uri.h"
#include "platform/posix/policy_control.h"
#include "platform/posix/sigpipe_guard.h"
#include "util/text.h"

namespace qor::platform {
namespace {

thread_local int t_last_error = LDAP_SUCCESS;

// The system-wide configuration file that Debian's libldap reads.
constexpr const char *kSystemClientConfiguration = "/etc/ldap/ldap.conf";

// libldap reports client-side failures as negative codes; the Windows
// client, whose values callers compare against, numbers them 81 to 97.
int to_windows_code(int rc) {
    if (rc >= 0) return rc;
    if (rc >= LDAP_REFERRAL_LIMIT_EXCEEDED) return 80 - rc;
    // Newer client-only codes have no Windows counterpart.
    return 80 - LDAP_LOCAL_ERROR;
}

int to_libldap_code(int code) {
    if (code > 80 && code <= 80 - LDAP_REFERRAL_LIMIT_EXCEEDED) return 80 - code;
    return code;
}

struct timeval to_timeval(std::chrono::milliseconds wait) {
    long long ms = wait.count() > 0 ? wait.count() : 1;
    return {static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
}

void set_timeout(LDAP *ld, int option, std::chrono::milliseconds wait) {
    struct timeval tv = to_timeval(wait);
    ldap_set_option(ld, option, &tv);
}

// libldap sets up its process-wide options at its first use without a
// lock: the first sessions of two threads would do it at once. One call
// ahead of every session settles them.
void initialise_client() {
    static std::once_flag once;
    std::call_once(once, [] {
        int version = 0;
        ldap_get_option(nullptr, LDAP_OPT_PROTOCOL_VERSION, &version);
    });
}

// The process-wide TLS settings a session's own TLS context is built from,
// with their keywords in the system's client configuration; the client
// certificate and key have none there (libldap takes them from a user's
// own configuration only).
struct TlsFileOption {
    int option;
    const char *system_keyword;
};
constexpr TlsFileOption kTlsFileOptions[] = {
    {LDAP_OPT_X_TLS_CACERTFILE, "TLS_CACERT"}, {LDAP_OPT_X_TLS_CACERTDIR, "TLS_CACERTDIR"},
    {LDAP_OPT_X_TLS_CERTFILE, nullptr},        {LDAP_OPT_X_TLS_KEYFILE, nullptr},
    {LDAP_OPT_X_TLS_CRLFILE, "TLS_CRLFILE"},   {LDAP_OPT_X_TLS_CIPHER_SUITE, "TLS_CIPHER_SUITE"},
};

// The value of keyword in the system's client configuration, as libldap
// reads it: "KEYWORD value" lines, letter case of the keyword aside, "#"
// lines ignored. False when the file or the keyword is missing.
bool system_setting(const char *keyword, std::string *value) {
    std::ifstream file(kSystemClientConfiguration);
    bool found = false;
    for (std::string line; std::getline(file, line);) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string::npos ||
            !qor::equals_ignore_case(std::string_view(line).substr(start, end - start), keyword))
            continue;
        size_t first = line.find_first_not_of(" \t", end);
        size_t last = line.find_last_not_of(" \t\r");
        if (first == std::string::npos) continue;
        *value = line.substr(first, last + 1 - first);
        found = true;  // the last line naming it counts
    }
    return found;
}

// The value a new session takes for a TLS file option; false for none. A
// set-user-ID or set-group-ID program runs for its caller, and libldap
// reads the caller's LDAPTLS_* variables and ~/.ldaprc whenever the user
// IDs agree (a set-group-ID program): under such secure execution only the
// system configuration counts.
bool tls_file_setting(const TlsFileOption &setting, std::string *value) {
    if (getauxval(AT_SECURE) != 0)
        return setting.system_keyword != nullptr && system_setting(setting.system_keyword, value);
    char *text = nullptr;
    if (ldap_get_option(nullptr, setting.option, &text) != LDAP_OPT_SUCCESS || text == nullptr) return false;
    value->assign(text);
    ldap_memfree(text);
    return true;
}

int copy_tls_files_to(LDAP *ld) {
    for (const TlsFileOption &setting : kTlsFileOptions) {
        std::string value;
        if (!tls_file_setting(setting, &value)) continue;
        int rc = ldap_set_option(ld, setting.option, value.c_str());
        if (rc != LDAP_OPT_SUCCESS) return rc;
    }
    return LDAP_OPT_SUCCESS;
}

// True when the DER certificate may serve a TLS server: it states no
// extended key usage, or states server authentication (or any purpose).
bool serves_tls_servers(const berval &der) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(der.bv_val);
    X509 *cert = d2i_X509(nullptr, &p, static_cast<long>(der.bv_len));
    if (cert == nullptr) return false;
    bool serves = (X509_get_extension_flags(cert) & EXFLAG_XKUSAGE) == 0 ||
                  (X509_get_extended_key_usage(cert) & (XKU_SSL_SERVER | XKU_ANYEKU)) != 0;
    X509_free(cert);
    return serves;
}

// libldap checks the chain and the name of a server's certificate but not
// its purpose. This layer sits above TLS on the session's connection and
// holds back the first request (a bind, say, password included) until the
// handshake's certificate is found fit for a server; an unfit one fails
// every write, as a lost connection would.
struct PurposeCheck {
    LDAP *ld;
    bool passed = false;
};

int purpose_setup(Sockbuf_IO_Desc *sbiod, void *ld) {
    sbiod->sbiod_pvt = new PurposeCheck{static_cast<LDAP *>(ld)};
    return 0;
}

int purpose_remove(Sockbuf_IO_Desc *sbiod) {
    delete static_cast<PurposeCheck *>(sbiod->sbiod_pvt);
    sbiod->sbiod_pvt = nullptr;
    return 0;
}

int pass_ctrl(Sockbuf_IO_Desc *sbiod, int option, void *arg) { return LBER_SBIOD_CTRL_NEXT(sbiod, option, arg); }

ber_slen_t pass_read(Sockbuf_IO_Desc *sbiod, void *buf, ber_len_t len) { return LBER_SBIOD_READ_NEXT(sbiod, buf, len); }

ber_slen_t purpose_write(Sockbuf_IO_Desc *sbiod, void *buf, ber_len_t len) {
    auto *check = static_cast<PurposeCheck *>(sbiod->sbiod_pvt);
    if (!check->passed) {
        berval der = {0, nullptr};
        if (ldap_get_option(check->ld, LDAP_OPT_X_TLS_PEERCERT, &der) == LDAP_OPT_SUCCESS)
            check->passed = serves_tls_servers(der);
        ber_memfree(der.bv_val);
        if (!check->passed) {
            ldap_set_option(check->ld, LDAP_OPT_DIAGNOSTIC_MESSAGE,
                            "TLS: the server's certificate is not for server authentication");
            errno = EACCES;
            return -1;
        }
    }
    return LBER_SBIOD_WRITE_NEXT(sbiod, buf, len);
}

Sockbuf_IO kPurposeCheckLayer = {purpose_setup, purpose_remove, pass_ctrl, pass_read, purpose_write, nullptr};

// libldap keeps a request's encoding, a bind's password among it, until
// the answer comes and then frees it unwiped. liblber's memory functions
// (LBER_OPT_MEMORY_FNS) cannot wipe it: liblber calls them only for
// buffers with a memory context of their own, and libldap's requests have
// none. This layer, above every other, wipes each stretch of a request as
// soon as it has been written: libldap reads a request again only to
// chase a referral, which password sessions never do.
int wipe_setup(Sockbuf_IO_Desc *, void *) { return 0; }
int wipe_remove(Sockbuf_IO_Desc *) { return 0; }
ber_slen_t wipe_write(Sockbuf_IO_Desc *sbiod, void *buf, ber_len_t len) {
    ber_slen_t written = LBER_SBIOD_WRITE_NEXT(sbiod, buf, len);
    if (written > 0) explicit_bzero(buf, static_cast<size_t>(written));
    return written;
}

Sockbuf_IO kWipeSentLayer = {wipe_setup, wipe_remove, pass_ctrl, pass_read, wipe_write, nullptr};

// Above the purpose check and TLS.
constexpr int kWipeSentLevel = LBER_SBIOD_LEVEL_APPLICATION + 1;

// Called as each TLS connection of the session begins, its TLS layer in
// place: the purpose check goes above it (once).
int add_purpose_check(LDAP *ld, void *, void *, void *) {
    Sockbuf *sb = nullptr;
    if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr) return -1;
    ber_sockbuf_remove_io(sb, &kPurposeCheckLayer, LBER_SBIOD_LEVEL_APPLICATION);
    return ber_sockbuf_add_io(sb, &kPurposeCheckLayer, LBER_SBIOD_LEVEL_APPLICATION, ld);
}

LDAP *open_session(const char *hosts, int port, bool ssl, const Deadlines &deadlines) {
    initialise_client();
    t_last_error = LDAP_SUCCESS;
    std::string uris;
    int rc = build_uri_list(hosts, port, ssl, uris);
    if (rc != LDAP_SUCCESS) {
        t_last_error = to_windows_code(rc);
        return nullptr;
    }
    LDAP *ld = nullptr;
    rc = ldap_initialize(&ld, uris.c_str());
    if (rc != LDAP_SUCCESS || ld == nullptr) {
        t_last_error = to_windows_code(rc != LDAP_SUCCESS ? rc : LDAP_NO_MEMORY);
        return nullptr;
    }
    set_timeout(ld, LDAP_OPT_NETWORK_TIMEOUT, deadlines.connect);
    set_request_deadline(ld, deadlines.request);
    if (ssl) {
        // A synchronous TLS handshake with a silent peer is not bounded by
        // the timeouts; an asynchronous connect is.
        ldap_set_option(ld, LDAP_OPT_CONNECT_ASYNC, LDAP_OPT_ON);
        int demand = LDAP_OPT_X_TLS_DEMAND;
        ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
        // A certificate that names hosts in its subjectAltName must name
        // this one there; its CN counts only when it has no such names
        // (as a freshly provisioned domain controller's certificate).
        int san_rule = LDAP_OPT_X_TLS_TRY;
        rc = ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_SAN, &san_rule);
        if (rc == LDAP_OPT_SUCCESS)
            rc = ldap_set_option(ld, LDAP_OPT_X_TLS_CONNECT_CB, reinterpret_cast<void *>(add_purpose_check));
        // libldap keeps one process-wide TLS context, built from the
        // options in force at the first TLS session; a context of the
        // handle's own makes the options above (and the CA of the user's
        // configuration as it stands now) apply to this session whatever
        // came before. A new handle does not inherit the file names, so
        // they are handed over first.
        if (rc == LDAP_OPT_SUCCESS) rc = copy_tls_files_to(ld);
        int is_server = 0;
        if (rc == LDAP_OPT_SUCCESS) rc = ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &is_server);
        if (rc != LDAP_OPT_SUCCESS) {
            ldap_unbind_ext(ld, nullptr, nullptr);
            t_last_error = to_windows_code(LDAP_LOCAL_ERROR);
            return nullptr;
        }
    }
    return ld;
}

// The SASL library may ask for an authorisation name and such; the
// process's Kerberos credentials need none, and nobody is ever prompted.
int quiet_interact(LDAP *, unsigned, void *, void *in) {
    for (auto *it = static_cast<sasl_interact_t *>(in); it != nullptr && it->id != SASL_CB_LIST_END; ++it) {
        const char *value = it->defresult != nullptr ? it->defresult : "";
        it->result = value;
        it->len = static_cast<unsigned>(strlen(value));
    }
    return LDAP_SUCCESS;
}

// Appends text lower-cased (ASCII letters); with escape, every byte that
// could end or split a value, and every control byte, as \XX.
void append_folded(std::string &out, const berval &text, bool escape) {
    static const char kHex[] = "0123456789abcdef";
    for (ber_len_t i = 0; i < text.bv_len; ++i) {
        unsigned char c = static_cast<unsigned char>(text.bv_val[i]);
        if (escape && (c < 0x20 || strchr(",+=\\\"<>;#", c) != nullptr || c == ' ')) {
            out.push_back('\\');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c));
        }
    }
}

int sasl_bind(LDAP *ld, const char *mechanism) {
    return ldap_sasl_interactive_bind_s(ld, nullptr, mechanism, nullptr, nullptr, LDAP_SASL_QUIET, quiet_interact,
                                        nullptr);
}

}  // namespace

void read_policy(LDAP *ld, LDAPControl **response, PasswordPolicy *policy) {
    LDAPControl *control = ldap_control_find(LDAP_CONTROL_PASSWORDPOLICYRESPONSE, response, nullptr);
    if (control == nullptr) return;
    ber_int_t expire = -1, grace = -1;
    LDAPPasswordPolicyError error = PP_noError;
    if (ldap_parse_passwordpolicy_control(ld, control, &expire, &grace, &error) != LDAP_SUCCESS) return;
    // libldap stores whatever number the server sent: read it as a number,
    // not as the enumeration, and keep only the control's own values.
    static_assert(sizeof error == sizeof(int), "the error is stored as an int");
    int number = 0;
    std::memcpy(&number, &error, sizeof number);
    if (number >= PP_passwordExpired && number <= PP_passwordTooLong) policy->error = number;
    if (grace >= 0) policy->grace_logins = grace;
    if (expire >= 0) policy->seconds_to_expiry = expire;
}

namespace {

// A synchronous request, with the password-policy request control when
// policy is given: send issues it and yields its message id; the answer is
// waited for deadline long, or (null) as long as the session's request
// deadline. Returns the libldap result code.
template <typename Send>
int answered_request(LDAP *ld, PasswordPolicy *policy, const struct timeval *deadline, Send send) {
    LDAPControl *request = nullptr;
    if (policy != nullptr) {
        *policy = PasswordPolicy{};
        int rc = ldap_create_passwordpolicy_control(ld, &request);
        if (rc != LDAP_SUCCESS) return rc;
    }
    LDAPControl *controls[] = {request, nullptr};
    int msgid = -1;
    int rc = send(request != nullptr ? controls : nullptr, &msgid);
    ldap_control_free(request);
    if (rc != LDAP_SUCCESS) return rc;
    LDAPMessage *result = nullptr;
    struct timeval wait = deadline != nullptr ? *deadline : timeval{};
    if (ldap_result(ld, msgid, LDAP_MSG_ALL, deadline != nullptr ? &wait : nullptr, &result) <= 0 ||
        result == nullptr) {
        ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &rc);
        return rc != LDAP_SUCCESS ? rc : LDAP_TIMEOUT;
    }
    LDAPControl **response = nullptr;
    int parsed = ldap_parse_result(ld, result, &rc, nullptr, nullptr, nullptr, &response, 1);
    if (parsed != LDAP_SUCCESS) return parsed;
    if (policy != nullptr) policy->from_server = true;
    if (policy != nullptr) read_policy(ld, response, policy);
    ldap_controls_free(response);
    return rc;
}

}  // namespace

// Opening a session touches no socket (libldap connects at the first
// request), so no SIGPIPE can arise here.
LDAP *ldap_init(const char *hosts, int port, const Deadlines &deadlines) {
    return open_session(hosts, port, false, deadlines);
}

LDAP *ldap_sslinit(const char *hosts, int port, int secure, const Deadlines &deadlines) {
    return open_session(hosts, port, secure != 0, deadlines);
}

int last_error() { return t_last_error; }

int set_option(LDAP *ld, int option, const void *value) {
    if (ld == nullptr || value == nullptr) return to_windows_code(LDAP_PARAM_ERROR);
    int v = *static_cast<const int *>(value);
    int rc;
    switch (option) {
        case kOptProtocolVersion:
            rc = ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v);
            break;
        case kOptSizeLimit:
            rc = ldap_set_option(ld, LDAP_OPT_SIZELIMIT, &v);
            break;
        case kOptTimeLimit:
            rc = ldap_set_option(ld, LDAP_OPT_TIMELIMIT, &v);
            break;
        case kOptDeref:
            rc = ldap_set_option(ld, LDAP_OPT_DEREF, &v);
            break;
        case kOptReferrals:
            rc = ldap_set_option(ld, LDAP_OPT_REFERRALS, v != 0 ? LDAP_OPT_ON : LDAP_OPT_OFF);
            break;
        default:
            return to_windows_code(LDAP_PARAM_ERROR);
    }
    return rc == LDAP_OPT_SUCCESS ? LDAP_SUCCESS : to_windows_code(LDAP_PARAM_ERROR);
}

void set_request_deadline(LDAP *ld, std::chrono::milliseconds deadline) {
    if (ld != nullptr) set_timeout(ld, LDAP_OPT_TIMEOUT, deadline);
}

int simple_bind_s(LDAP *ld, const char *dn, const char *password, std::chrono::milliseconds deadline,
                  PasswordPolicy *policy) {
    SigpipeGuard guard;
    struct berval cred = {0, nullptr};
    if (password != nullptr) {
        cred.bv_val = const_cast<char *>(password);
        cred.bv_len = strlen(password);
    }
    const char *name = dn != nullptr ? dn : "";
    const struct timeval wait = to_timeval(deadline);
    return to_windows_code(answered_request(ld, policy, &wait, [&](LDAPControl **controls, int *msgid) {
        return ldap_sasl_bind(ld, name, LDAP_SASL_SIMPLE, &cred, controls, nullptr, msgid);
    }));
}

int connect(LDAP *ld, std::chrono::milliseconds deadline) {
    SigpipeGuard guard;
    set_timeout(ld, LDAP_OPT_NETWORK_TIMEOUT, deadline);
    return to_windows_code(ldap_connect(ld));
}

// True when the session's connection runs over TLS (ldaps or StartTLS).
bool over_tls(LDAP *ld) {
    void *tls = nullptr;
    return ldap_get_option(ld, LDAP_OPT_X_TLS_SSL_CTX, &tls) == LDAP_OPT_SUCCESS && tls != nullptr;
}

int negotiate_bind_s(LDAP *ld) {
    SigpipeGuard guard;
    // TLS already protects the connection, and Active Directory refuses a
    // SASL security layer on top of it: ask for none there.
    if (over_tls(ld)) {
        char no_layer[] = "maxssf=0";
        if (ldap_set_option(ld, LDAP_OPT_X_SASL_SECPROPS, no_layer) != LDAP_OPT_SUCCESS)
            return to_windows_code(LDAP_LOCAL_ERROR);
    }
    // SPNEGO is what the Windows client negotiates; plain GSSAPI serves
    // servers or SASL installations that do not offer it.
    int rc = sasl_bind(ld, "GSS-SPNEGO");
    if (rc == LDAP_AUTH_METHOD_NOT_SUPPORTED || rc == LDAP_LOCAL_ERROR || rc == LDAP_NOT_SUPPORTED)
        rc = sasl_bind(ld, "GSSAPI");
    return to_windows_code(rc);
}

int search_s(LDAP *ld, const char *base, int scope, const char *filter, char **attrs, int attrsonly,
             LDAPMessage **result) {
    SigpipeGuard guard;
    // Size and time limits of -1 and no timeout: the session's options.
    return to_windows_code(
        ldap_search_ext_s(ld, base, scope, filter, attrs, attrsonly, nullptr, nullptr, nullptr, -1, result));
}

bool has_entry(LDAP *ld, LDAPMessage *result) { return result != nullptr && ldap_first_entry(ld, result) != nullptr; }

std::string first_entry_dn(LDAP *ld, LDAPMessage *result) {
    LDAPMessage *entry = result != nullptr ? ldap_first_entry(ld, result) : nullptr;
    char *dn = entry != nullptr ? ldap_get_dn(ld, entry) : nullptr;
    std::string text = dn != nullptr ? dn : "";
    ldap_memfree(dn);
    return text;
}

bool normalised_dn(const char *dn, std::string *out) {
    LDAPDN parsed = nullptr;
    if (dn == nullptr || ldap_str2dn(dn, &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS || parsed == nullptr) {
        return false;
    }
    out->clear();
    for (int i = 0; parsed[i] != nullptr; ++i) {
        if (i > 0) out->push_back(',');
        for (int j = 0; parsed[i][j] != nullptr; ++j) {
            if (j > 0) out->push_back('+');
            const LDAPAVA *ava = parsed[i][j];
            append_folded(*out, ava->la_attr, false);
            out->push_back('=');
            append_folded(*out, ava->la_value, true);
        }
    }
    ldap_dnfree(parsed);
    return true;
}

void msgfree(LDAPMessage *result) {
    if (result != nullptr) ldap_msgfree(result);
}

int modify_s(LDAP *ld, const char *dn, LDAPMod **mods, PasswordPolicy *policy) {
    SigpipeGuard guard;
    if (policy == nullptr) return to_windows_code(ldap_modify_ext_s(ld, dn, mods, nullptr, nullptr));
    return to_windows_code(answered_request(ld, policy, nullptr, [&](LDAPControl **controls, int *msgid) {
        return ldap_modify_ext(ld, dn, mods, controls, nullptr, msgid);
    }));
}

int password_modify_s(LDAP *ld, const char *dn, const char *old_password, const char *new_password,
                      PasswordPolicy *policy) {
    SigpipeGuard guard;
    auto text = [](const char *value) {
        return berval{value != nullptr ? strlen(value) : 0, const_cast<char *>(value)};
    };
    berval user = text(dn), old_value = text(old_password), new_value = text(new_password);
    PasswordPolicy unused;
    return to_windows_code(
        answered_request(ld, policy != nullptr ? policy : &unused, nullptr, [&](LDAPControl **controls, int *msgid) {
            return ldap_passwd(ld, &user, &old_value, &new_value, controls, nullptr, msgid);
        }));
}

std::vector<std::string> first_entry_values(LDAP *ld, LDAPMessage *result, const char *attribute) {
    std::vector<std::string> values;
    LDAPMessage *entry = result != nullptr ? ldap_first_entry(ld, result) : nullptr;
    berval **found = entry != nullptr ? ldap_get_values_len(ld, entry, attribute) : nullptr;
    for (int i = 0; found != nullptr && found[i] != nullptr; ++i)
        values.emplace_back(found[i]->bv_val, found[i]->bv_len);
    ldap_value_free_len(found);
    return values;
}

void wipe_sent_requests(LDAP *ld) {
    Sockbuf *sb = nullptr;
    if (ld == nullptr || ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr) return;
    ber_sockbuf_add_io(sb, &kWipeSentLayer, kWipeSentLevel, nullptr);
}

void limit_answer_size(LDAP *ld, size_t max_bytes) {
    Sockbuf *sb = nullptr;
    if (ld == nullptr || ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr) return;
    ber_len_t max = max_bytes;
    ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_MAX_INCOMING, &max);
}

bool uses_tls(LDAP *ld) {
    char *uri = nullptr;
    if (ld == nullptr || ldap_get_option(ld, LDAP_OPT_URI, &uri) != LDAP_OPT_SUCCESS || uri == nullptr) return false;
    bool tls = strncmp(uri, "ldaps://", 8) == 0;
    ldap_memfree(uri);
    return tls;
}

std::string diagnostic(LDAP *ld) {
    char *text = nullptr;
    if (ld == nullptr || ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text) != LDAP_OPT_SUCCESS) return "";
    std::string copy = text != nullptr ? text : "";
    ldap_memfree(text);
    return copy;
}

void unbind(LDAP *ld) {
    if (ld == nullptr) return;
    SigpipeGuard guard;
    ldap_unbind_ext(ld, nullptr, nullptr);
}

void prepare_to_keep(LDAP *) {
    // libldap never reconnects a session by itself.
}

bool connection_idle(LDAP *ld) {
    ber_socket_t fd = -1;
    if (ld == nullptr || ldap_get_option(ld, LDAP_OPT_DESC, &fd) != LDAP_OPT_SUCCESS || fd < 0) return false;
    // Bytes already read from the socket (a TLS record, say) wait here.
    Sockbuf *sb = nullptr;
    if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr ||
        ber_sockbuf_ctrl(sb, LBER_SB_OPT_DATA_READY, nullptr) != 0)
        return false;
    struct pollfd p = {fd, POLLIN | POLLRDHUP, 0};
    return poll(&p, 1, 0) == 0;
}

std::string tls_settings() {
    initialise_client();
    std::string text;
    for (const TlsFileOption &setting : kTlsFileOptions) {
        std::string value;
        if (tls_file_setting(setting, &value)) {
            text += value;
            // A CA file or folder replaced or edited in place.
            struct stat st;
            const int option = setting.option;
            if ((option == LDAP_OPT_X_TLS_CACERTFILE || option == LDAP_OPT_X_TLS_CACERTDIR) &&
                stat(value.c_str(), &st) == 0) {
                text += '@' + std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
                        std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
            }
        }
        text += '\n';
    }
    for (int option : {LDAP_OPT_X_TLS_REQUIRE_CERT, LDAP_OPT_X_TLS_REQUIRE_SAN}) {
        int demand = 0;
        if (ldap_get_option(nullptr, option, &demand) == LDAP_OPT_SUCCESS) text += std::to_string(demand);
        text += '\n';
    }
    return text;
}

char *err2string(int code) { return ldap_err2string(to_libldap_code(code)); }

}  // namespace qor::platform
