#include "ntlm/logon_check.h"

#include <climits>
#include <cstring>

#include "ntlm/ntlm_side.h"
#include "ntlm/sspi_provider.h"
#include "platform/heap.h"
#include "util/scope_exit.h"

namespace qor {
namespace {

char kPackage[] = "NTLM";

// The package's maximum token size, or 0 when the query fails.
uint32_t max_token_size(const SspiTable &table) {
    PSecPkgInfoA info = nullptr;
    SECURITY_STATUS status = table.QuerySecurityPackageInfoA(kPackage, &info);
    if (info == nullptr) return 0;
    uint32_t size = status < 0 ? 0 : info->cbMaxToken;
    table.FreeContextBuffer(info);
    return size;
}

// Character count of a NUL-terminated string, 0 for null; false when it
// does not fit the identity record's 32-bit length.
bool text_length(const char *text, SEC_ULONG *length) {
    size_t n = text ? std::strlen(text) : 0;
    if (n > INT_MAX) return false;
    *length = static_cast<SEC_ULONG>(n);
    return true;
}

bool fill_identity(SEC_WINNT_AUTH_IDENTITY_A *identity, const char *domain, const char *user, const char *password) {
    identity->User = reinterpret_cast<unsigned char *>(const_cast<char *>(user));
    identity->Domain = reinterpret_cast<unsigned char *>(const_cast<char *>(domain));
    identity->Password = reinterpret_cast<unsigned char *>(const_cast<char *>(password));
    identity->Flags = SEC_WINNT_AUTH_IDENTITY_ANSI;
    return text_length(user, &identity->UserLength) && text_length(domain, &identity->DomainLength) &&
           text_length(password, &identity->PasswordLength);
}

// The four steps: client, server, client, server. The second server step
// gives the verdict.
bool run_exchange(const SspiTable &table, NtlmSide *client, NtlmSide *server, SEC_WINNT_AUTH_IDENTITY_A *identity,
                  uint32_t maxToken, void *clientBlock, void *serverBlock) {
    uint32_t clientLength = maxToken;
    if (!ntlm_client_step(table, client, identity, nullptr, 0, clientBlock, &clientLength)) return false;
    uint32_t serverLength = maxToken;
    if (!ntlm_server_step(table, server, clientBlock, clientLength, serverBlock, &serverLength)) return false;
    clientLength = maxToken;
    if (!ntlm_client_step(table, client, identity, serverBlock, serverLength, clientBlock, &clientLength)) return false;
    serverLength = maxToken;
    return ntlm_server_step(table, server, clientBlock, clientLength, serverBlock, &serverLength);
}

}  // namespace

bool ntlm_logon_check(const char *domain, const char *user, const char *password) {
    NtlmSide client{};
    NtlmSide server{};
    SspiTable table{};
    platform::Module module = nullptr;
    void *clientBlock = nullptr;
    void *serverBlock = nullptr;

    ScopeExit cleanup([&] {
        if (module != nullptr) {
            ntlm_release_side(table, &client);
            ntlm_release_side(table, &server);
            sspi_unload_provider(&table, module);
        }
        platform::heap_free(clientBlock);
        platform::heap_free(serverBlock);
    });

    module = sspi_load_provider(&table);
    if (module == nullptr) return false;

    uint32_t maxToken = max_token_size(table);
    if (maxToken == 0) return false;
    clientBlock = platform::heap_alloc_zeroed(maxToken);
    if (clientBlock == nullptr) return false;
    serverBlock = platform::heap_alloc_zeroed(maxToken);
    if (serverBlock == nullptr) return false;

    SEC_WINNT_AUTH_IDENTITY_A identity{};
    if (!fill_identity(&identity, domain, user, password)) return false;
    return run_exchange(table, &client, &server, &identity, maxToken, clientBlock, serverBlock);
}

}  // namespace qor
