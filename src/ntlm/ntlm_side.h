// One end of the in-process NTLM exchange and the steps it takes.
#pragma once

#include <stdint.h>

#include "ntlm/sspi_table.h"

namespace qor {

// Everything zero at the start of a check. The flags rise once each and
// tell the cleanup exactly what to release.
struct NtlmSide {
    bool started;          // the side's first step has succeeded
    bool haveCredentials;  // credentialHandle holds acquired credentials
    bool haveContext;      // contextHandle holds a context
    CredHandle credentialHandle;
    CtxtHandle contextHandle;
};

// A client step: acquires outbound credentials for identity on the first
// step, then produces the next token into output. input is the server's
// last token (ignored by the first step). tokenLength holds the output
// capacity on entry and the produced token's length on success.
// False on failure (reported on standard error, ntlm_report.h).
bool ntlm_clientStep(const SspiTable &table, NtlmSide *side, SEC_WINNT_AUTH_IDENTITY_A *identity, void *input,
                     uint32_t inputLength, void *output, uint32_t *tokenLength);

// A server step: acquires inbound credentials of the process on the first
// step, then accepts the client's token input and answers into output.
bool ntlm_serverStep(const SspiTable &table, NtlmSide *side, void *input, uint32_t inputLength, void *output,
                     uint32_t *tokenLength);

// Deletes the side's context and then frees its credentials, as marked.
void ntlm_releaseSide(const SspiTable &table, NtlmSide *side);

}  // namespace qor
