#include "stored_value/digest_scheme_match.h"

#include <cstring>
#include <vector>

#include "stored_value/digest.h"
#include "stored_value/sha_value.h"
#include "util/base64.h"
#include "util/constant_time.h"

namespace qor {
namespace {

constexpr size_t kMaxDigest = 64;

bool sha_matches(const char *candidate, const char *text) {
    char computed[kShaValueSize];
    if (!sha_value(reinterpret_cast<const unsigned char *>(candidate), strlen(candidate), computed, sizeof computed))
        return false;
    // The tag is left out of the comparison: its letter case is the
    // writer's choice, the digest is what counts.
    const char *expected = computed + sizeof "{SHA}" - 1;
    return equal_constant_time(expected, strlen(expected), text, strlen(text));
}

}  // namespace

bool digest_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text) {
    if (info.scheme == kSchemeSha) return sha_matches(candidate, text);
    if (info.algorithm == 0 || info.digest_length > kMaxDigest) return false;

    size_t text_length = strlen(text);
    std::vector<unsigned char> decoded(text_length / 4 * 3 + 1);
    long decoded_length = base64_decode(text, text_length, decoded.data(), decoded.size());
    if (decoded_length < 0) return false;
    size_t stored_length = static_cast<size_t>(decoded_length);
    // Unsalted: the digest alone. Salted: the digest and at least one byte
    // of salt.
    if (info.salted ? stored_length <= info.digest_length : stored_length != info.digest_length) return false;

    const unsigned char *salt = decoded.data() + info.digest_length;
    size_t salt_length = stored_length - info.digest_length;
    unsigned char digest[kMaxDigest];
    uint32_t digest_length = sizeof digest;
    if (!compute_digest(info.provider_type, info.algorithm, reinterpret_cast<const unsigned char *>(candidate),
                        strlen(candidate), salt, salt_length, digest, &digest_length))
        return false;
    return equal_constant_time(digest, digest_length, decoded.data(), info.digest_length);
}

}  // namespace qor
