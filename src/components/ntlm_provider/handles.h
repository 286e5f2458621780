// The objects behind the provider's credential and context handles.
// A handle carries the object's address and the tag naming its kind; the
// object repeats the tag (util/tagged_handle.h), so that a stale or
// foreign handle is refused rather than followed.
#pragma once

#include <gssapi/gssapi.h>
#include <stdint.h>

#include "platform/sspi.h"
#include "util/tagged_handle.h"

namespace qorsspi {

constexpr SEC_ULONG_PTR kCredentialTag = 0x51435244;  // "QCRD"
constexpr SEC_ULONG_PTR kContextTag = 0x51435458;     // "QCTX"

struct Credential {
    static constexpr SEC_ULONG_PTR kTag = kCredentialTag;
    SEC_ULONG_PTR tag = kTag;
    bool inbound = false;
    gss_cred_id_t cred = GSS_C_NO_CREDENTIAL;
};

struct Context {
    static constexpr SEC_ULONG_PTR kTag = kContextTag;
    SEC_ULONG_PTR tag = kTag;
    bool inbound = false;
    gss_ctx_id_t ctx = GSS_C_NO_CONTEXT;
    gss_name_t target = GSS_C_NO_NAME;  // client side only
};

template <class Object>
Object *from_handle(const SecHandle *handle) {
    if (handle == nullptr || handle->dwUpper != Object::kTag) return nullptr;
    return qor::tagged_object<Object>(handle->dwLower);
}

template <class Object>
void to_handle(Object *object, SecHandle *handle) {
    handle->dwLower = qor::handle_of(object);
    handle->dwUpper = Object::kTag;
}

inline Credential *credential_of(const CredHandle *h) { return from_handle<Credential>(h); }
inline Context *context_of(const CtxtHandle *h) { return from_handle<Context>(h); }

// Releases what the object holds, forgets its tag and deletes it.
void destroy(Credential *credential);
void destroy(Context *context);

}  // namespace qorsspi
