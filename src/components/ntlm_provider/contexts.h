// One step of either side of the exchange, tokens in SSPI buffers.
#pragma once

#include "handles.h"

namespace qorsspi {

// The caller's token buffer in desc, or null when there is none.
SecBuffer *token_buffer(PSecBufferDesc desc);

// Runs gss_init_sec_context (client) or gss_accept_sec_context (server)
// on context with the given input token (null on the client's first
// step) and copies the answer into output. The caller owns context on
// every outcome.
SECURITY_STATUS initialize_step(const Credential &credential, Context *context, const SecBuffer *input,
                                SecBuffer *output);
SECURITY_STATUS accept_step(const Credential &credential, Context *context, const SecBuffer &input, SecBuffer *output);

}  // namespace qorsspi
