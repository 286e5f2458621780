// "{MD5}" text: the Base64 encoding of the 16-byte MD5 digest of the
// password, nothing else (no salt).
#include <openssl/evp.h>

#include <cstring>

#include "checks.h"
#include "util/constant_time.h"

namespace ravuve9 {
namespace {

constexpr size_t kDigestBytes = 16;
constexpr size_t kTextLength = 24;  // 16 bytes: five full groups and "=="

}  // namespace

int md5_matches(const char *candidate, const char *text, size_t length) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_length = 0;
    if (EVP_Digest(candidate, strlen(candidate), digest, &digest_length, EVP_md5(), nullptr) != 1 ||
        digest_length != kDigestBytes)
        return 0;
    unsigned char encoded[kTextLength + 1];
    if (EVP_EncodeBlock(encoded, digest, static_cast<int>(digest_length)) != static_cast<int>(kTextLength)) return 0;
    return qor::equal_constant_time(encoded, kTextLength, text, length) ? 1 : 0;
}

}  // namespace ravuve9
