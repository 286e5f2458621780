// The security provider's entry points as one check resolves them.
#pragma once

#include "platform/sspi.h"

namespace qor {

// One table per check: each check fills and clears only its own, so
// overlapping checks never pull entry points out from under each other.
// Every entry is null while the provider is not loaded.
struct SspiTable {
    ACCEPT_SECURITY_CONTEXT_FN AcceptSecurityContext;
    ACQUIRE_CREDENTIALS_HANDLE_FN_A AcquireCredentialsHandleA;
    COMPLETE_AUTH_TOKEN_FN CompleteAuthToken;  // optional
    DELETE_SECURITY_CONTEXT_FN DeleteSecurityContext;
    FREE_CONTEXT_BUFFER_FN FreeContextBuffer;
    FREE_CREDENTIALS_HANDLE_FN FreeCredentialsHandle;
    INITIALIZE_SECURITY_CONTEXT_FN_A InitializeSecurityContextA;
    QUERY_SECURITY_PACKAGE_INFO_FN_A QuerySecurityPackageInfoA;
};

}  // namespace qor
