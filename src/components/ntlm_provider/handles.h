// The objects behind the provider's credential and context handles.
// A handle carries the object's address and a tag naming its kind; the
// object repeats the tag so that a stale or foreign handle is refused
// rather than followed.
#pragma once

#include <gssapi/gssapi.h>
#include <stdint.h>

#include "platform/sspi.h"

namespace qorsspi {

constexpr SEC_ULONG_PTR kCredentialTag = 0x51435244;  // "QCRD"
constexpr SEC_ULONG_PTR kContextTag = 0x51435458;     // "QCTX"

struct Credential {
    SEC_ULONG_PTR tag = kCredentialTag;
    bool inbound = false;
    gss_cred_id_t cred = GSS_C_NO_CREDENTIAL;
};

struct Context {
    SEC_ULONG_PTR tag = kContextTag;
    bool inbound = false;
    gss_ctx_id_t ctx = GSS_C_NO_CONTEXT;
    gss_name_t target = GSS_C_NO_NAME;  // client side only
};

template <class Object, SEC_ULONG_PTR Tag>
Object *from_handle(const SecHandle *handle) {
    if (handle == nullptr || handle->dwUpper != Tag || handle->dwLower == 0) return nullptr;
    Object *object = reinterpret_cast<Object *>(handle->dwLower);
    return object->tag == Tag ? object : nullptr;
}

template <class Object>
void to_handle(Object *object, SEC_ULONG_PTR tag, SecHandle *handle) {
    handle->dwLower = reinterpret_cast<SEC_ULONG_PTR>(object);
    handle->dwUpper = tag;
}

inline Credential *credential_of(const CredHandle *h) { return from_handle<Credential, kCredentialTag>(h); }
inline Context *context_of(const CtxtHandle *h) { return from_handle<Context, kContextTag>(h); }

// Releases what the object holds, forgets its tag and deletes it.
void destroy(Credential *credential);
void destroy(Context *context);

}  // namespace qorsspi
