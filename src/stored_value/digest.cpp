#include "stored_value/digest.h"

#include <limits>

#include "platform/crypto.h"

namespace qor {
namespace {

bool acquire_provider(platform::CryptProvider *provider, uint32_t provider_type) {
    if (platform::crypt_acquire_context(provider, nullptr, nullptr, provider_type, 0)) return true;
    // The default key container of this user may not exist yet; creating
    // it leaves it on the system for later calls.
    if (platform::crypt_last_error() != platform::kNteBadKeyset) return false;
    if (platform::crypt_acquire_context(provider, nullptr, nullptr, provider_type, platform::kCryptNewKeyset))
        return true;
    // Another process may have created the container in between.
    return platform::crypt_last_error() == platform::kNteExists &&
           platform::crypt_acquire_context(provider, nullptr, nullptr, provider_type, 0);
}

// The provider takes at most 4 GiB in one call.
bool hash_bytes(platform::CryptHash hash, const unsigned char *data, size_t length) {
    constexpr size_t kMaxChunk = std::numeric_limits<uint32_t>::max();
    do {
        size_t chunk = length < kMaxChunk ? length : kMaxChunk;
        if (!platform::crypt_hash_data(hash, data, static_cast<uint32_t>(chunk), 0)) return false;
        data += chunk;
        length -= chunk;
    } while (length > 0);
    return true;
}

}  // namespace

bool compute_digest(uint32_t provider_type, uint32_t algorithm, const unsigned char *first, size_t first_length,
                    const unsigned char *second, size_t second_length, unsigned char *out, uint32_t *out_length) {
    platform::CryptProvider provider = 0;
    if (!acquire_provider(&provider, provider_type)) return false;
    platform::CryptHash hash = 0;
    bool done = platform::crypt_create_hash(provider, algorithm, 0, 0, &hash);
    if (done) {
        done = hash_bytes(hash, first, first_length) &&
               (second_length == 0 || hash_bytes(hash, second, second_length)) &&
               platform::crypt_get_hash_param(hash, platform::kHpHashVal, out, out_length, 0);
        platform::crypt_destroy_hash(hash);
    }
    platform::crypt_release_context(provider, 0);
    return done;
}

}  // namespace qor
