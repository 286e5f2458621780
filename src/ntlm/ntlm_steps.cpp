#include "ntlm/ntlm_report.h"
#include "ntlm/ntlm_side.h"

namespace qor {
namespace {

char kPackage[] = "NTLM";

struct TokenDesc {
    SecBuffer buffer;
    SecBufferDesc desc;

    TokenDesc(void *data, uint32_t length)
        : buffer{length, SECBUFFER_TOKEN, data}, desc{SECBUFFER_VERSION, 1, &buffer} {}
};

bool acquire(const SspiTable &table, NtlmSide *side, SEC_ULONG use, void *authData) {
    TimeStamp expiry{};
    SECURITY_STATUS status = table.AcquireCredentialsHandleA(nullptr, kPackage, use, nullptr, authData, nullptr,
                                                             nullptr, &side->credential_handle, &expiry);
    if (status < 0) {
        report_failed_call("AcquireCredentialsHandle", status);
        return false;
    }
    side->have_credentials = true;
    return true;
}

bool wants_completion(SECURITY_STATUS status) {
    return status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE;
}

// The common end of both sides' steps, after the context call named call.
bool finish_step(const SspiTable &table, NtlmSide *side, const char *call, SECURITY_STATUS status, TokenDesc *output,
                 uint32_t *token_length) {
    if (status < 0) {
        report_failed_call(call, status);
        return false;
    }
    side->have_context = true;
    if (wants_completion(status)) {
        if (table.CompleteAuthToken == nullptr) {
            report_missing_call("CompleteAuthToken");
            return false;
        }
        SECURITY_STATUS completed = table.CompleteAuthToken(&side->context_handle, &output->desc);
        if (completed < 0) {
            report_failed_call("CompleteAuthToken", completed);
            return false;
        }
    }
    // The other side reads this many bytes from the block: never more than it holds.
    if (output->buffer.cbBuffer > *token_length) {
        report_failed_call(call, SEC_E_BUFFER_TOO_SMALL);
        return false;
    }
    *token_length = output->buffer.cbBuffer;
    side->started = true;
    return true;
}

}  // namespace

bool ntlm_client_step(const SspiTable &table, NtlmSide *side, SEC_WINNT_AUTH_IDENTITY_A *identity, void *input,
                      uint32_t input_length, void *output, uint32_t *token_length) {
    if (!side->started && !acquire(table, side, SECPKG_CRED_OUTBOUND, identity)) return false;

    TokenDesc out(output, *token_length);
    TokenDesc in(input, input_length);
    SEC_ULONG attributes = 0;
    TimeStamp expiry{};
    SECURITY_STATUS status = table.InitializeSecurityContextA(
        &side->credential_handle, side->started ? &side->context_handle : nullptr, nullptr, 0, 0, SECURITY_NATIVE_DREP,
        side->started ? &in.desc : nullptr, 0, &side->context_handle, &out.desc, &attributes, &expiry);
    return finish_step(table, side, "InitializeSecurityContext", status, &out, token_length);
}

bool ntlm_server_step(const SspiTable &table, NtlmSide *side, void *input, uint32_t input_length, void *output,
                      uint32_t *token_length) {
    if (!side->started && !acquire(table, side, SECPKG_CRED_INBOUND, nullptr)) return false;

    TokenDesc out(output, *token_length);
    TokenDesc in(input, input_length);
    SEC_ULONG attributes = 0;
    TimeStamp expiry{};
    SECURITY_STATUS status =
        table.AcceptSecurityContext(&side->credential_handle, side->started ? &side->context_handle : nullptr, &in.desc,
                                    0, SECURITY_NATIVE_DREP, &side->context_handle, &out.desc, &attributes, &expiry);
    return finish_step(table, side, "AcceptSecurityContext", status, &out, token_length);
}

void ntlm_release_side(const SspiTable &table, NtlmSide *side) {
    if (side->have_context) table.DeleteSecurityContext(&side->context_handle);
    if (side->have_credentials) table.FreeCredentialsHandle(&side->credential_handle);
}

}  // namespace qor
