// The test seam of the digest interface, shared by its backends: injected
// failures and the counts that crypt_trace_for_testing reports.
#pragma once

#include <cstdint>

namespace qor::platform::crypto_seam {

// Counts an acquire call with its flags; the error an injected failure
// reports, or 0 when none is pending.
uint32_t acquire_called(uint32_t flags);
// Each consumes one pending injected failure of its step.
bool create_fails();
bool hash_fails();
bool get_fails();

void provider_opened();
void provider_closed();
void hash_opened();
void hash_closed();

}  // namespace qor::platform::crypto_seam
