// "{MD5}" text: the Base64 encoding of the 16-byte MD5 digest of the
// password, nothing else (no salt). The same on every platform; only the
// digest comes from the platform's library.
#include <cstring>

#include "checks.h"
#include "util/base64.h"
#include "util/constant_time.h"
#include "util/secret.h"

namespace ravuve9 {
namespace {

constexpr size_t kTextLength = 24;  // 16 bytes: five full groups and "=="

}  // namespace

bool md5_matches(const char *candidate, const char *text, size_t length) {
    unsigned char digest[kMd5DigestBytes];
    if (!md5_digest(candidate, std::strlen(candidate), digest)) return false;
    char encoded[kTextLength + 1];
    bool match = qor::base64_encode(digest, sizeof digest, encoded, sizeof encoded) == static_cast<int>(kTextLength) &&
                 qor::equal_constant_time(encoded, kTextLength, text, length);
    qor::secure_clear(digest, sizeof digest);
    return match;
}

}  // namespace ravuve9
