#include "credentials.h"

#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_ntlmssp.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gss_status.h"
#include "mech.h"
#include "nt_hash.h"
#include "text.h"
#include "user_file.h"
#include "utf8_locale.h"
#include "util/secret.h"
#include "util/utf8.h"
#include "winbind_domain.h"

namespace qorsspi {
namespace {

// One field of the identity record; false for a null pointer with a
// length, or a NUL inside the counted text (which would cut it short).
template <class String>
bool field(const unsigned char *text, SEC_ULONG length, String *out) {
    if (text == nullptr) {
        out->clear();
        return length == 0;
    }
    out->assign(reinterpret_cast<const char *>(text), length);
    return out->find('\0') == String::npos;
}

// The mechanism splits user names at '@' unless it is escaped.
std::string escape_at(const std::string &user) {
    std::string out;
    for (char c : user) {
        if (c == '@') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

size_t hashed_bytes(const std::string &user, const std::string &domain) {
    // Upper-casing can grow a UTF-8 character to three bytes.
    return (is_ascii(user) ? user.size() : 3 * user.size()) + domain.size();
}

constexpr const char *kMechanismUserFileVariable = "NTLM_USER_FILE";

}  // namespace

bool weak_protocol_requested() {
    const char *level = std::getenv("LM_COMPAT_LEVEL");
    if (level == nullptr || *level == '\0') return false;
    char *end = nullptr;
    long value = std::strtol(level, &end, 10);
    return *end == '\0' && value < 3;
}

SECURITY_STATUS acquire_outbound(const SEC_WINNT_AUTH_IDENTITY_A &identity, gss_cred_id_t *cred) {
    if (identity.Flags != SEC_WINNT_AUTH_IDENTITY_ANSI) return SEC_E_UNSUPPORTED_FUNCTION;
    std::string user, domain;
    qor::Secret password;
    if (!field(identity.User, identity.UserLength, &user) || !field(identity.Domain, identity.DomainLength, &domain) ||
        !field(identity.Password, identity.PasswordLength, &password))
        return SEC_E_INVALID_PARAMETER;

    // "DOMAIN\user" in the user field stands for itself when no domain is given.
    size_t backslash = user.find('\\');
    if (backslash != std::string::npos) {
        if (!domain.empty()) return SEC_E_INVALID_PARAMETER;
        domain = user.substr(0, backslash);
        user.erase(0, backslash + 1);
    }
    if (user.empty()) return SEC_E_NO_CREDENTIALS;
    if (!qor::is_utf8(user) || !qor::is_utf8(domain) || !qor::is_utf8(password.view())) return SEC_E_INVALID_PARAMETER;
    // The server side asks winbind when there is no user file: name the
    // domain the way winbind knows it; otherwise the way the file does.
    const std::string file = user_file_path();
    if (file.empty()) {
        const bool named = !domain.empty();
        domain = winbind_domain(domain);
        // A domain that names none of winbind's domains, or several, gets
        // no logon: it must not reach a domain its caller did not mean.
        if (named && domain.empty()) return SEC_E_NO_CREDENTIALS;
    } else {
        user_file_logon(file, &user, &domain);
    }
    // The file's domains are upper case and the mechanism compares them as written.
    domain = utf8_upper(domain);
    if (hashed_bytes(user, domain) > kMaxUserAndDomainBytes) return SEC_E_INVALID_PARAMETER;

    qor::Secret hash = nt_hash_hex(password.view());
    if (hash.empty()) return SEC_E_INTERNAL_ERROR;

    Utf8LocaleScope utf8;
    OM_uint32 minor = 0;
    std::string escaped = escape_at(user);
    gss_buffer_desc name_text = {escaped.size(), escaped.data()};
    gss_name_t name = GSS_C_NO_NAME;
    OM_uint32 major = gss_import_name(&minor, &name_text, GSS_C_NT_USER_NAME, &name);
    if (GSS_ERROR(major)) return sspi_status(major, SEC_E_NO_CREDENTIALS);

    gss_key_value_element_desc elements[2];
    OM_uint32 count = 0;
    if (!domain.empty()) elements[count++] = {GSS_NTLMSSP_CS_DOMAIN, domain.c_str()};
    elements[count++] = {GSS_NTLMSSP_CS_NTHASH, hash.c_str()};
    gss_key_value_set_desc store = {count, elements};
    major = gss_acquire_cred_from(&minor, name, GSS_C_INDEFINITE, ntlmssp_mechs(), GSS_C_INITIATE, &store, cred,
                                  nullptr, nullptr);
    OM_uint32 ignored = 0;
    gss_release_name(&ignored, &name);
    return GSS_ERROR(major) ? sspi_status(major, SEC_E_NO_CREDENTIALS) : SEC_E_OK;
}

SECURITY_STATUS acquire_inbound(gss_cred_id_t *cred) {
    Utf8LocaleScope utf8;
    OM_uint32 minor = 0;
    std::string file = user_file_path();
    if (file.empty()) {
        // Without a file named here the mechanism reads the one its own
        // variable names, in place of asking winbind: whoever set the
        // caller's environment would choose the users and passwords.
        if (std::getenv(kMechanismUserFileVariable) != nullptr) return SEC_E_NO_CREDENTIALS;
        OM_uint32 major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, ntlmssp_mechs(), GSS_C_ACCEPT, cred,
                                           nullptr, nullptr);
        return GSS_ERROR(major) ? sspi_status(major, SEC_E_NO_CREDENTIALS) : SEC_E_OK;
    }
    gss_name_t name = GSS_C_NO_NAME;
    OM_uint32 major = import_service_name(&minor, &name);
    if (GSS_ERROR(major)) return sspi_status(major, SEC_E_INTERNAL_ERROR);
    gss_key_value_element_desc element = {GSS_NTLMSSP_CS_KEYFILE, file.c_str()};
    gss_key_value_set_desc store = {1, &element};
    major = gss_acquire_cred_from(&minor, name, GSS_C_INDEFINITE, ntlmssp_mechs(), GSS_C_ACCEPT, &store, cred, nullptr,
                                  nullptr);
    OM_uint32 ignored = 0;
    gss_release_name(&ignored, &name);
    return GSS_ERROR(major) ? sspi_status(major, SEC_E_NO_CREDENTIALS) : SEC_E_OK;
}

}  // namespace qorsspi
