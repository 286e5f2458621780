// The Security Support Provider Interface as the NTLM logon check and the
// security provider share it: handles, buffers, the identity record, the
// package information, the eight entry points and the statuses acted on.
// On Windows these come from the system headers; elsewhere they are
// declared here with the same shapes, sizes and values.
#pragma once

#if defined(_WIN32)

#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <windows.h>
#include <security.h>
#include <sspi.h>

typedef ULONG SEC_ULONG;
typedef ULONG_PTR SEC_ULONG_PTR;

#else

#include <stdint.h>

#define SEC_ENTRY

typedef int32_t SECURITY_STATUS;
typedef char SEC_CHAR;
typedef uint32_t SEC_ULONG;  // ULONG: 32 bits, as on Windows
typedef uintptr_t SEC_ULONG_PTR;

typedef struct _SecHandle {
    SEC_ULONG_PTR dwLower;
    SEC_ULONG_PTR dwUpper;
} SecHandle, *PSecHandle;
typedef SecHandle CredHandle, *PCredHandle;
typedef SecHandle CtxtHandle, *PCtxtHandle;

typedef struct _SECURITY_INTEGER {
    uint32_t LowPart;
    int32_t HighPart;
} SECURITY_INTEGER, TimeStamp, *PTimeStamp;

typedef struct _SecBuffer {
    SEC_ULONG cbBuffer;
    SEC_ULONG BufferType;
    void *pvBuffer;
} SecBuffer, *PSecBuffer;

typedef struct _SecBufferDesc {
    SEC_ULONG ulVersion;
    SEC_ULONG cBuffers;
    PSecBuffer pBuffers;
} SecBufferDesc, *PSecBufferDesc;

typedef struct _SEC_WINNT_AUTH_IDENTITY_A {
    unsigned char *User;
    SEC_ULONG UserLength;
    unsigned char *Domain;
    SEC_ULONG DomainLength;
    unsigned char *Password;
    SEC_ULONG PasswordLength;
    SEC_ULONG Flags;
} SEC_WINNT_AUTH_IDENTITY_A, *PSEC_WINNT_AUTH_IDENTITY_A;

typedef struct _SecPkgInfoA {
    SEC_ULONG fCapabilities;
    uint16_t wVersion;
    uint16_t wRPCID;
    SEC_ULONG cbMaxToken;
    SEC_CHAR *Name;
    SEC_CHAR *Comment;
} SecPkgInfoA, *PSecPkgInfoA;

typedef void(SEC_ENTRY *SEC_GET_KEY_FN)(void *Arg, void *Principal, SEC_ULONG KeyVer, void **Key,
                                        SECURITY_STATUS *Status);

#define SEC_WINNT_AUTH_IDENTITY_ANSI 0x1
#define SEC_WINNT_AUTH_IDENTITY_UNICODE 0x2

#define SECPKG_CRED_INBOUND 0x1
#define SECPKG_CRED_OUTBOUND 0x2
#define SECPKG_CRED_BOTH 0x3

#define SECBUFFER_VERSION 0
#define SECBUFFER_EMPTY 0
#define SECBUFFER_TOKEN 2

#define SECURITY_NATIVE_DREP 0x10
#define SECURITY_NETWORK_DREP 0x0

#define SECPKG_FLAG_INTEGRITY 0x1
#define SECPKG_FLAG_PRIVACY 0x2
#define SECPKG_FLAG_TOKEN_ONLY 0x4
#define SECPKG_FLAG_CONNECTION 0x10
#define SECPKG_FLAG_MULTI_REQUIRED 0x20
#define SECPKG_FLAG_IMPERSONATION 0x100
#define SECPKG_FLAG_ACCEPT_WIN32_NAME 0x200
#define SECPKG_FLAG_NEGOTIABLE 0x800
#define SECPKG_FLAG_LOGON 0x2000

#define RPC_C_AUTHN_WINNT 10

#define SEC_E_OK ((SECURITY_STATUS)0x00000000)
#define SEC_I_CONTINUE_NEEDED ((SECURITY_STATUS)0x00090312)
#define SEC_I_COMPLETE_NEEDED ((SECURITY_STATUS)0x00090313)
#define SEC_I_COMPLETE_AND_CONTINUE ((SECURITY_STATUS)0x00090314)
#define SEC_E_INSUFFICIENT_MEMORY ((SECURITY_STATUS)0x80090300)
#define SEC_E_INVALID_HANDLE ((SECURITY_STATUS)0x80090301)
#define SEC_E_UNSUPPORTED_FUNCTION ((SECURITY_STATUS)0x80090302)
#define SEC_E_TARGET_UNKNOWN ((SECURITY_STATUS)0x80090303)
#define SEC_E_INTERNAL_ERROR ((SECURITY_STATUS)0x80090304)
#define SEC_E_SECPKG_NOT_FOUND ((SECURITY_STATUS)0x80090305)
#define SEC_E_INVALID_TOKEN ((SECURITY_STATUS)0x80090308)
#define SEC_E_LOGON_DENIED ((SECURITY_STATUS)0x8009030C)
#define SEC_E_NO_CREDENTIALS ((SECURITY_STATUS)0x8009030E)
#define SEC_E_BUFFER_TOO_SMALL ((SECURITY_STATUS)0x80090321)
#define SEC_E_INVALID_PARAMETER ((SECURITY_STATUS)0x8009035D)

#ifdef __cplusplus
extern "C" {
#endif

// The entry points, each also as the pointer type the caller resolves.
typedef SECURITY_STATUS(SEC_ENTRY *ACCEPT_SECURITY_CONTEXT_FN)(PCredHandle, PCtxtHandle, PSecBufferDesc, SEC_ULONG,
                                                               SEC_ULONG, PCtxtHandle, PSecBufferDesc, SEC_ULONG *,
                                                               PTimeStamp);
typedef SECURITY_STATUS(SEC_ENTRY *ACQUIRE_CREDENTIALS_HANDLE_FN_A)(SEC_CHAR *, SEC_CHAR *, SEC_ULONG, void *, void *,
                                                                    SEC_GET_KEY_FN, void *, PCredHandle, PTimeStamp);
typedef SECURITY_STATUS(SEC_ENTRY *COMPLETE_AUTH_TOKEN_FN)(PCtxtHandle, PSecBufferDesc);
typedef SECURITY_STATUS(SEC_ENTRY *DELETE_SECURITY_CONTEXT_FN)(PCtxtHandle);
typedef SECURITY_STATUS(SEC_ENTRY *FREE_CONTEXT_BUFFER_FN)(void *);
typedef SECURITY_STATUS(SEC_ENTRY *FREE_CREDENTIALS_HANDLE_FN)(PCredHandle);
typedef SECURITY_STATUS(SEC_ENTRY *INITIALIZE_SECURITY_CONTEXT_FN_A)(PCredHandle, PCtxtHandle, SEC_CHAR *, SEC_ULONG,
                                                                     SEC_ULONG, SEC_ULONG, PSecBufferDesc, SEC_ULONG,
                                                                     PCtxtHandle, PSecBufferDesc, SEC_ULONG *,
                                                                     PTimeStamp);
typedef SECURITY_STATUS(SEC_ENTRY *QUERY_SECURITY_PACKAGE_INFO_FN_A)(SEC_CHAR *, PSecPkgInfoA *);

SECURITY_STATUS SEC_ENTRY AcceptSecurityContext(PCredHandle phCredential, PCtxtHandle phContext, PSecBufferDesc pInput,
                                                SEC_ULONG fContextReq, SEC_ULONG TargetDataRep,
                                                PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                SEC_ULONG *pfContextAttr, PTimeStamp ptsExpiry);
SECURITY_STATUS SEC_ENTRY AcquireCredentialsHandleA(SEC_CHAR *pszPrincipal, SEC_CHAR *pszPackage,
                                                    SEC_ULONG fCredentialUse, void *pvLogonId, void *pAuthData,
                                                    SEC_GET_KEY_FN pGetKeyFn, void *pvGetKeyArgument,
                                                    PCredHandle phCredential, PTimeStamp ptsExpiry);
SECURITY_STATUS SEC_ENTRY CompleteAuthToken(PCtxtHandle phContext, PSecBufferDesc pToken);
SECURITY_STATUS SEC_ENTRY DeleteSecurityContext(PCtxtHandle phContext);
SECURITY_STATUS SEC_ENTRY FreeContextBuffer(void *pvContextBuffer);
SECURITY_STATUS SEC_ENTRY FreeCredentialsHandle(PCredHandle phCredential);
SECURITY_STATUS SEC_ENTRY InitializeSecurityContextA(PCredHandle phCredential, PCtxtHandle phContext,
                                                     SEC_CHAR *pszTargetName, SEC_ULONG fContextReq,
                                                     SEC_ULONG Reserved1, SEC_ULONG TargetDataRep,
                                                     PSecBufferDesc pInput, SEC_ULONG Reserved2,
                                                     PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                     SEC_ULONG *pfContextAttr, PTimeStamp ptsExpiry);
SECURITY_STATUS SEC_ENTRY QuerySecurityPackageInfoA(SEC_CHAR *pszPackageName, PSecPkgInfoA *ppPackageInfo);

#ifdef __cplusplus
}
#endif

#endif  // !_WIN32
