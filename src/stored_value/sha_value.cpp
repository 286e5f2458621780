#include "stored_value/sha_value.h"

#include <cstring>

#include "stored_value/digest.h"
#include "platform/crypto.h"
#include "util/base64.h"

namespace qor {

bool sha_value(const unsigned char *data, size_t length, char *output, size_t output_size) {
    if (output == nullptr || output_size < kShaValueSize) return false;
    // One byte more than SHA-1 needs, as the value has always been read.
    unsigned char digest[21];
    uint32_t digest_length = sizeof digest;
    if (!compute_digest(platform::kProvRsaFull, platform::kCalgSha1, data, length, nullptr, 0, digest, &digest_length))
        return false;
    char text[29];
    int written = base64_encode(digest, digest_length, text, sizeof text);
    if (written < 0 || 5 + static_cast<size_t>(written) + 1 > output_size) return false;
    memcpy(output, "{SHA}", 5);
    memcpy(output + 5, text, static_cast<size_t>(written) + 1);
    return true;
}

}  // namespace qor
