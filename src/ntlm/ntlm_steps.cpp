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
                                                             nullptr, &side->credentialHandle, &expiry);
    if (status < 0) {
        report_failed_call("AcquireCredentialsHandle", status);
        return false;
    }
    side->haveCredentials = true;
    return true;
}

bool wants_completion(SECURITY_STATUS status) {
    return status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE;
}

// The common end of both sides' steps, after the context call named call.
bool finish_step(const SspiTable &table, NtlmSide *side, const char *call, SECURITY_STATUS status, TokenDesc *output,
                 uint32_t *tokenLength) {
    if (status < 0) {
        report_failed_call(call, status);
        return false;
    }
    side->haveContext = true;
    if (wants_completion(status)) {
        if (table.CompleteAuthToken == nullptr) {
            report_missing_call("CompleteAuthToken");
            return false;
        }
        SECURITY_STATUS completed = table.CompleteAuthToken(&side->contextHandle, &output->desc);
        if (completed < 0) {
            report_failed_call("CompleteAuthToken", completed);
            return false;
        }
    }
    // The other side reads this many bytes from the block: never more than it holds.
    if (output->buffer.cbBuffer > *tokenLength) {
        report_failed_call(call, SEC_E_BUFFER_TOO_SMALL);
        return false;
    }
    *tokenLength = output->buffer.cbBuffer;
    side->started = true;
    return true;
}

}  // namespace

bool ntlm_clientStep(const SspiTable &table, NtlmSide *side, SEC_WINNT_AUTH_IDENTITY_A *identity, void *input,
                     uint32_t inputLength, void *output, uint32_t *tokenLength) {
    if (!side->started && !acquire(table, side, SECPKG_CRED_OUTBOUND, identity)) return false;

    TokenDesc out(output, *tokenLength);
    TokenDesc in(input, inputLength);
    SEC_ULONG attributes = 0;
    TimeStamp expiry{};
    SECURITY_STATUS status = table.InitializeSecurityContextA(
        &side->credentialHandle, side->started ? &side->contextHandle : nullptr, nullptr, 0, 0, SECURITY_NATIVE_DREP,
        side->started ? &in.desc : nullptr, 0, &side->contextHandle, &out.desc, &attributes, &expiry);
    return finish_step(table, side, "InitializeSecurityContext", status, &out, tokenLength);
}

bool ntlm_serverStep(const SspiTable &table, NtlmSide *side, void *input, uint32_t inputLength, void *output,
                     uint32_t *tokenLength) {
    if (!side->started && !acquire(table, side, SECPKG_CRED_INBOUND, nullptr)) return false;

    TokenDesc out(output, *tokenLength);
    TokenDesc in(input, inputLength);
    SEC_ULONG attributes = 0;
    TimeStamp expiry{};
    SECURITY_STATUS status =
        table.AcceptSecurityContext(&side->credentialHandle, side->started ? &side->contextHandle : nullptr, &in.desc,
                                    0, SECURITY_NATIVE_DREP, &side->contextHandle, &out.desc, &attributes, &expiry);
    return finish_step(table, side, "AcceptSecurityContext", status, &out, tokenLength);
}

void ntlm_releaseSide(const SspiTable &table, NtlmSide *side) {
    if (side->haveContext) table.DeleteSecurityContext(&side->contextHandle);
    if (side->haveCredentials) table.FreeCredentialsHandle(&side->credentialHandle);
}

}  // namespace qor
