// Message digests through the platform's CryptoAPI.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor {

// The digest (algorithm of a provider of provider_type) of the bytes of
// first followed by the bytes of second (second may be null when its length
// is 0), written to out. On entry *out_length is the room at out; on
// success it is the digest's length. Returns false on any failure of the
// provider, having released whatever it acquired.
bool compute_digest(uint32_t provider_type, uint32_t algorithm, const unsigned char *first, size_t first_length,
                    const unsigned char *second, size_t second_length, unsigned char *out, uint32_t *out_length);

}  // namespace qor
