// One end of the in-process NTLM exchange and the steps it takes.
#pragma once

#include <stdint.h>

#include "ntlm/sspi_table.h"

namespace qor {

// Everything zero at the start of a check. The flags rise once each and
// tell the cleanup exactly what to release.
struct NtlmSide {
    bool started;           // the side's first step has succeeded
    bool have_credentials;  // credential_handle holds acquired credentials
    bool have_context;      // context_handle holds a context
    CredHandle credential_handle;
    CtxtHandle context_handle;
};

// A client step: acquires outbound credentials for identity on the first
// step, then produces the next token into output. input is the server's
// last token (ignored by the first step). token_length holds the output
// capacity on entry and the produced token's length on success.
// False on failure (reported on standard error, ntlm_report.h).
bool ntlm_client_step(const SspiTable &table, NtlmSide *side, SEC_WINNT_AUTH_IDENTITY_A *identity, void *input,
                      uint32_t input_length, void *output, uint32_t *token_length);

// A server step: acquires inbound credentials of the process on the first
// step, then accepts the client's token input and answers into output.
bool ntlm_server_step(const SspiTable &table, NtlmSide *side, void *input, uint32_t input_length, void *output,
                      uint32_t *token_length);

// Deletes the side's context and then frees its credentials, as marked.
void ntlm_release_side(const SspiTable &table, NtlmSide *side);

}  // namespace qor
