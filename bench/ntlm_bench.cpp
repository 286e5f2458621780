// The NTLM logon check through the security provider, beside the same
// four GSSAPI steps (gss-ntlmssp) written directly.
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_ntlmssp.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bench_common.h"
#include "fixture_env.h"
#include "ntlm/logon_check.h"

namespace {

constexpr const char *kDomain = "BENCH";
constexpr const char *kUser = "alice";
constexpr const char *kPassword = "Winter-2026!";

// MD4 of the password's UTF-16LE form (ASCII passwords only here), as 32
// upper-case hex digits.
std::string nt_hash_hex(const char *password) {
    static EVP_MD *md4 = [] {
        OSSL_LIB_CTX *context = OSSL_LIB_CTX_new();
        return context && OSSL_PROVIDER_load(context, "legacy") ? EVP_MD_fetch(context, "MD4", nullptr) : nullptr;
    }();
    if (md4 == nullptr) return "";
    unsigned char utf16[256];
    size_t n = std::strlen(password);
    if (n * 2 > sizeof utf16) return "";
    for (size_t i = 0; i < n; ++i) utf16[2 * i] = static_cast<unsigned char>(password[i]), utf16[2 * i + 1] = 0;
    unsigned char digest[16];
    if (!EVP_Digest(utf16, n * 2, digest, nullptr, md4, nullptr)) return "";
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : digest) hex += kHex[b >> 4], hex += kHex[b & 15];
    return hex;
}

// The provider's user file with one user; its path, or "" on failure.
const std::string &user_file() {
    static const std::string path = [] {
        std::string file = qorbench::fixture().work_dir + "/ntlm-users";
        std::string hash = nt_hash_hex(kPassword);
        std::ofstream out(file);
        out << kDomain << '\\' << kUser << ":0:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:" << hash
            << ":[U          ]:LCT-00000000:\n";
        if (hash.empty() || !out) return std::string();
        for (const char *name : {"LM_COMPAT_LEVEL", "NETBIOS_COMPUTER_NAME", "NETBIOS_DOMAIN_NAME", "NTLM_USER_FILE"})
            unsetenv(name);
        setenv("QORSSPI_USER_FILE", file.c_str(), 1);
        return file;
    }();
    return path;
}

void ntlm_ours(benchmark::State &state) {
    if (user_file().empty()) {
        state.SkipWithError("no user file (MD4 missing?)");
        return;
    }
    for (auto _ : state) {
        if (qor::ntlm_logon_check(kDomain, kUser, kPassword) != 1) {
            state.SkipWithError("right password refused");
            break;
        }
    }
}

gss_OID_desc g_ntlmssp = {GSS_NTLMSSP_OID_LENGTH, const_cast<char *>(GSS_NTLMSSP_OID_STRING)};
gss_OID_set_desc g_ntlmssp_set = {1, &g_ntlmssp};

// One check: both credentials, then client, server, client, server.
bool gssapi_check(const std::string &file) {
    OM_uint32 minor = 0, major = 0;
    std::string hash = nt_hash_hex(kPassword);
    gss_name_t user = GSS_C_NO_NAME, service = GSS_C_NO_NAME;
    gss_cred_id_t client = GSS_C_NO_CREDENTIAL, server = GSS_C_NO_CREDENTIAL;
    gss_ctx_id_t initiator = GSS_C_NO_CONTEXT, acceptor = GSS_C_NO_CONTEXT;
    gss_buffer_desc token = {0, nullptr}, answer = {0, nullptr};

    gss_buffer_desc user_text = {std::strlen(kUser), const_cast<char *>(kUser)};
    char service_name[] = "host@localhost";
    gss_buffer_desc service_text = {sizeof service_name - 1, service_name};
    gss_key_value_element_desc client_elements[2] = {{GSS_NTLMSSP_CS_DOMAIN, kDomain},
                                                     {GSS_NTLMSSP_CS_NTHASH, hash.c_str()}};
    gss_key_value_set_desc client_store = {2, client_elements};
    gss_key_value_element_desc server_element = {GSS_NTLMSSP_CS_KEYFILE, file.c_str()};
    gss_key_value_set_desc server_store = {1, &server_element};

    bool ok = !GSS_ERROR(gss_import_name(&minor, &user_text, GSS_C_NT_USER_NAME, &user)) &&
              !GSS_ERROR(gss_acquire_cred_from(&minor, user, GSS_C_INDEFINITE, &g_ntlmssp_set, GSS_C_INITIATE,
                                               &client_store, &client, nullptr, nullptr)) &&
              !GSS_ERROR(gss_import_name(&minor, &service_text, GSS_C_NT_HOSTBASED_SERVICE, &service)) &&
              !GSS_ERROR(gss_acquire_cred_from(&minor, service, GSS_C_INDEFINITE, &g_ntlmssp_set, GSS_C_ACCEPT,
                                               &server_store, &server, nullptr, nullptr));
    for (int round = 0; ok && round < 2; ++round) {
        major = gss_init_sec_context(&minor, client, &initiator, service, &g_ntlmssp, 0, GSS_C_INDEFINITE,
                                     GSS_C_NO_CHANNEL_BINDINGS, round == 0 ? GSS_C_NO_BUFFER : &answer, nullptr, &token,
                                     nullptr, nullptr);
        gss_release_buffer(&minor, &answer);
        ok = !GSS_ERROR(major);
        if (!ok) break;
        major = gss_accept_sec_context(&minor, &acceptor, server, &token, GSS_C_NO_CHANNEL_BINDINGS, nullptr, nullptr,
                                       &answer, nullptr, nullptr, nullptr);
        gss_release_buffer(&minor, &token);
        ok = !GSS_ERROR(major) && (round == 0 ? major == GSS_S_CONTINUE_NEEDED : major == GSS_S_COMPLETE);
    }
    gss_release_buffer(&minor, &token);
    gss_release_buffer(&minor, &answer);
    gss_delete_sec_context(&minor, &initiator, GSS_C_NO_BUFFER);
    gss_delete_sec_context(&minor, &acceptor, GSS_C_NO_BUFFER);
    gss_release_cred(&minor, &client);
    gss_release_cred(&minor, &server);
    gss_release_name(&minor, &user);
    gss_release_name(&minor, &service);
    return ok;
}

void ntlm_floor(benchmark::State &state) {
    const std::string &file = user_file();
    if (file.empty()) {
        state.SkipWithError("no user file (MD4 missing?)");
        return;
    }
    for (auto _ : state) {
        if (!gssapi_check(file)) {
            state.SkipWithError("floor exchange failed");
            break;
        }
    }
}

QORBENCH_REGISTER(ntlm_ours, "ntlm/ours", ntlm_ours);
QORBENCH_REGISTER(ntlm_floor, "ntlm/floor", ntlm_floor);
QORBENCH_TARGET(ntlm, qorbench::Section::kRatios, s.pair("NTLM logon check", "ntlm", 1.1));

}  // namespace
