#include "contexts.h"

#include <cstring>

#include "gss_status.h"
#include "mech.h"
#include "utf8_locale.h"

namespace qorsspi {
namespace {

gss_buffer_desc as_gss(const SecBuffer *buffer) {
    if (buffer == nullptr) return {0, nullptr};
    return {buffer->cbBuffer, buffer->pvBuffer};
}

// Copies token into the caller's fixed-size buffer, then frees it.
SECURITY_STATUS deliver(gss_buffer_desc *token, SecBuffer *output) {
    SECURITY_STATUS status = SEC_E_OK;
    if (token->length > output->cbBuffer || (token->length > 0 && output->pvBuffer == nullptr)) {
        status = SEC_E_BUFFER_TOO_SMALL;
    } else {
        if (token->length > 0) std::memcpy(output->pvBuffer, token->value, token->length);
        output->cbBuffer = static_cast<SEC_ULONG>(token->length);
    }
    OM_uint32 ignored = 0;
    gss_release_buffer(&ignored, token);
    return status;
}

// The step's status after its answer is delivered; a failed step's token is dropped.
SECURITY_STATUS conclude(OM_uint32 major, SECURITY_STATUS on_failure, gss_buffer_desc *token, SecBuffer *output) {
    SECURITY_STATUS status = sspi_status(major, on_failure);
    if (status < 0) {
        OM_uint32 ignored = 0;
        gss_release_buffer(&ignored, token);
        return status;
    }
    SECURITY_STATUS delivered = deliver(token, output);
    return delivered < 0 ? delivered : status;
}

}  // namespace

SecBuffer *token_buffer(PSecBufferDesc desc) {
    if (desc == nullptr || desc->ulVersion != SECBUFFER_VERSION || desc->pBuffers == nullptr) return nullptr;
    for (SEC_ULONG i = 0; i < desc->cBuffers; ++i)
        if ((desc->pBuffers[i].BufferType & 0xFFF) == SECBUFFER_TOKEN) return &desc->pBuffers[i];
    return nullptr;
}

SECURITY_STATUS initialize_step(const Credential &credential, Context *context, const SecBuffer *input,
                                SecBuffer *output) {
    Utf8LocaleScope utf8;
    OM_uint32 minor = 0;
    if (context->target == GSS_C_NO_NAME) {
        OM_uint32 major = import_service_name(&minor, &context->target);
        if (GSS_ERROR(major)) return sspi_status(major, SEC_E_INTERNAL_ERROR);
    }
    gss_buffer_desc in = as_gss(input);
    gss_buffer_desc out = {0, nullptr};
    // No flags: a datagram request, for one, would break the four-step shape.
    OM_uint32 major = gss_init_sec_context(&minor, credential.cred, &context->ctx, context->target, ntlmssp_oid(), 0,
                                           GSS_C_INDEFINITE, GSS_C_NO_CHANNEL_BINDINGS, input ? &in : GSS_C_NO_BUFFER,
                                           nullptr, &out, nullptr, nullptr);
    return conclude(major, SEC_E_INTERNAL_ERROR, &out, output);
}

SECURITY_STATUS accept_step(const Credential &credential, Context *context, const SecBuffer &input, SecBuffer *output) {
    Utf8LocaleScope utf8;
    OM_uint32 minor = 0;
    gss_buffer_desc in = as_gss(&input);
    gss_buffer_desc out = {0, nullptr};
    OM_uint32 major = gss_accept_sec_context(&minor, &context->ctx, credential.cred, &in, GSS_C_NO_CHANNEL_BINDINGS,
                                             nullptr, nullptr, &out, nullptr, nullptr, nullptr);
    // A wrong password, an unknown user and a bad file line all look the
    // same from outside, so that the answer does not tell which users exist.
    return conclude(major, SEC_E_LOGON_DENIED, &out, output);
}

}  // namespace qorsspi
