// The provider's eight SSPI entry points for the "NTLM" package.

#include <cstdlib>
#include <cstring>
#include <new>

#include "contexts.h"
#include "credentials.h"
#include "handles.h"
#include "util/text.h"
#include "warm_up.h"

#define QORSSPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace qorsspi {
namespace {

// Every token of the exchange fits: with the fixed short target the
// largest seen is about 1.7 KB.
constexpr SEC_ULONG kMaxToken = 2888;
constexpr char kPackage[] = "NTLM";
constexpr char kComment[] = "NTLM Security Package";

bool is_ntlm(const SEC_CHAR *package) { return package != nullptr && qor::equals_ignore_case(package, kPackage); }

void never_expires(PTimeStamp expiry) {
    if (expiry != nullptr) *expiry = {0xFFFFFFFFu, 0x7FFFFFFF};
}

}  // namespace

void destroy(Credential *credential) {
    OM_uint32 minor = 0;
    gss_release_cred(&minor, &credential->cred);
    qor::delete_tagged(credential);
}

void destroy(Context *context) {
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &context->ctx, GSS_C_NO_BUFFER);
    gss_release_name(&minor, &context->target);
    qor::delete_tagged(context);
}

namespace {

// Runs step on a new context (no phContext) or on the caller's one. A new
// context whose step fails is deleted here: the caller only learns of a
// context through a step that succeeded.
template <class Step>
SECURITY_STATUS context_call(PCtxtHandle phContext, bool inbound, PCtxtHandle phNewContext, PTimeStamp expiry,
                             Step step) {
    bool first = phContext == nullptr;
    Context *context = first ? new (std::nothrow) Context : context_of(phContext);
    if (context == nullptr) return first ? SEC_E_INSUFFICIENT_MEMORY : SEC_E_INVALID_HANDLE;
    if (first) context->inbound = inbound;
    if (context->inbound != inbound) return SEC_E_INVALID_HANDLE;
    SECURITY_STATUS status = step(context);
    if (status < 0) {
        if (first) destroy(context);
        return status;
    }
    to_handle(context, phNewContext);
    never_expires(expiry);
    return status;
}

}  // namespace

}  // namespace qorsspi

using namespace qorsspi;

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY QuerySecurityPackageInfoA(SEC_CHAR *pszPackageName,
                                                                   PSecPkgInfoA *ppPackageInfo) {
    if (ppPackageInfo == nullptr) return SEC_E_INVALID_PARAMETER;
    *ppPackageInfo = nullptr;
    if (!is_ntlm(pszPackageName)) return SEC_E_SECPKG_NOT_FOUND;
    // One block, strings included, so that FreeContextBuffer releases it whole.
    size_t size = sizeof(SecPkgInfoA) + sizeof kPackage + sizeof kComment;
    auto *info = static_cast<SecPkgInfoA *>(std::calloc(1, size));
    if (info == nullptr) return SEC_E_INSUFFICIENT_MEMORY;
    char *strings = reinterpret_cast<char *>(info + 1);
    std::memcpy(strings, kPackage, sizeof kPackage);
    std::memcpy(strings + sizeof kPackage, kComment, sizeof kComment);
    info->fCapabilities = SECPKG_FLAG_INTEGRITY | SECPKG_FLAG_PRIVACY | SECPKG_FLAG_TOKEN_ONLY |
                          SECPKG_FLAG_CONNECTION | SECPKG_FLAG_MULTI_REQUIRED | SECPKG_FLAG_IMPERSONATION |
                          SECPKG_FLAG_ACCEPT_WIN32_NAME | SECPKG_FLAG_NEGOTIABLE | SECPKG_FLAG_LOGON;
    info->wVersion = 1;
    info->wRPCID = RPC_C_AUTHN_WINNT;
    info->cbMaxToken = kMaxToken;
    info->Name = strings;
    info->Comment = strings + sizeof kPackage;
    *ppPackageInfo = info;
    return SEC_E_OK;
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY FreeContextBuffer(void *pvContextBuffer) {
    std::free(pvContextBuffer);
    return SEC_E_OK;
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY AcquireCredentialsHandleA(SEC_CHAR * /*pszPrincipal*/, SEC_CHAR *pszPackage,
                                                                   SEC_ULONG fCredentialUse, void * /*pvLogonId*/,
                                                                   void *pAuthData, SEC_GET_KEY_FN /*pGetKeyFn*/,
                                                                   void * /*pvGetKeyArgument*/,
                                                                   PCredHandle phCredential, PTimeStamp ptsExpiry) {
    if (phCredential == nullptr) return SEC_E_INVALID_PARAMETER;
    if (!is_ntlm(pszPackage)) return SEC_E_SECPKG_NOT_FOUND;
    if (fCredentialUse != SECPKG_CRED_INBOUND && fCredentialUse != SECPKG_CRED_OUTBOUND)
        return SEC_E_UNSUPPORTED_FUNCTION;
    if (weak_protocol_requested()) return SEC_E_UNSUPPORTED_FUNCTION;
    bool inbound = fCredentialUse == SECPKG_CRED_INBOUND;
    // No logon session to fall back on: an outbound credential needs an identity.
    if (!inbound && pAuthData == nullptr) return SEC_E_NO_CREDENTIALS;

    warm_up_once();
    auto *credential = new (std::nothrow) Credential;
    if (credential == nullptr) return SEC_E_INSUFFICIENT_MEMORY;
    credential->inbound = inbound;
    SECURITY_STATUS status =
        inbound ? acquire_inbound(&credential->cred)
                : acquire_outbound(*static_cast<SEC_WINNT_AUTH_IDENTITY_A *>(pAuthData), &credential->cred);
    if (status < 0) {
        destroy(credential);
        return status;
    }
    to_handle(credential, phCredential);
    never_expires(ptsExpiry);
    return SEC_E_OK;
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY FreeCredentialsHandle(PCredHandle phCredential) {
    Credential *credential = credential_of(phCredential);
    if (credential == nullptr) return SEC_E_INVALID_HANDLE;
    destroy(credential);
    return SEC_E_OK;
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY InitializeSecurityContextA(
    PCredHandle phCredential, PCtxtHandle phContext, SEC_CHAR * /*pszTargetName*/, SEC_ULONG /*fContextReq*/,
    SEC_ULONG /*Reserved1*/, SEC_ULONG /*TargetDataRep*/, PSecBufferDesc pInput, SEC_ULONG /*Reserved2*/,
    PCtxtHandle phNewContext, PSecBufferDesc pOutput, SEC_ULONG *pfContextAttr, PTimeStamp ptsExpiry) {
    // The target name is not used: the server side answers to one fixed
    // name only, and the client must name exactly that one.
    Credential *credential = credential_of(phCredential);
    if (credential == nullptr || credential->inbound) return SEC_E_INVALID_HANDLE;
    SecBuffer *output = token_buffer(pOutput);
    if (output == nullptr || phNewContext == nullptr) return SEC_E_INVALID_PARAMETER;
    if (pfContextAttr != nullptr) *pfContextAttr = 0;

    SecBuffer *input = nullptr;
    if (phContext != nullptr && (input = token_buffer(pInput)) == nullptr) return SEC_E_INVALID_TOKEN;
    return context_call(phContext, false, phNewContext, ptsExpiry,
                        [&](Context *context) { return initialize_step(*credential, context, input, output); });
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY AcceptSecurityContext(PCredHandle phCredential, PCtxtHandle phContext,
                                                               PSecBufferDesc pInput, SEC_ULONG /*fContextReq*/,
                                                               SEC_ULONG /*TargetDataRep*/, PCtxtHandle phNewContext,
                                                               PSecBufferDesc pOutput, SEC_ULONG *pfContextAttr,
                                                               PTimeStamp ptsExpiry) {
    Credential *credential = credential_of(phCredential);
    if (credential == nullptr || !credential->inbound) return SEC_E_INVALID_HANDLE;
    SecBuffer *input = token_buffer(pInput);
    if (input == nullptr) return SEC_E_INVALID_TOKEN;
    SecBuffer *output = token_buffer(pOutput);
    if (output == nullptr || phNewContext == nullptr) return SEC_E_INVALID_PARAMETER;
    if (pfContextAttr != nullptr) *pfContextAttr = 0;

    return context_call(phContext, true, phNewContext, ptsExpiry,
                        [&](Context *context) { return accept_step(*credential, context, *input, output); });
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY CompleteAuthToken(PCtxtHandle phContext, PSecBufferDesc /*pToken*/) {
    // Nothing to complete: no step of this package asks for it.
    return context_of(phContext) != nullptr ? SEC_E_OK : SEC_E_INVALID_HANDLE;
}

QORSSPI_EXPORT SECURITY_STATUS SEC_ENTRY DeleteSecurityContext(PCtxtHandle phContext) {
    Context *context = context_of(phContext);
    if (context == nullptr) return SEC_E_INVALID_HANDLE;
    destroy(context);
    return SEC_E_OK;
}
