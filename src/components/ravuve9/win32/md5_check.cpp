// "{MD5}" text: the Base64 encoding of the 16-byte MD5 digest of the
// password, nothing else (no salt).
#include <cstring>

#include "../checks.h"
#include "digest.h"
#include "util/base64.h"
#include "util/constant_time.h"
#include "util/secret.h"

namespace ravuve9 {
namespace {

constexpr size_t kDigestBytes = 16;
constexpr size_t kTextLength = 24;  // 16 bytes: five full groups and "=="

}  // namespace

int md5_matches(const char *candidate, const char *text, size_t length) {
    DigestProvider provider;
    Digest md5(provider, CALG_MD5);
    md5.add(candidate, std::strlen(candidate));
    std::string digest = md5.finish();
    if (!md5.ok() || digest.size() != kDigestBytes) return 0;
    char encoded[kTextLength + 1];
    bool match = qor::base64_encode(reinterpret_cast<const unsigned char *>(digest.data()), digest.size(), encoded,
                                    sizeof encoded) == static_cast<int>(kTextLength) &&
                 qor::equal_constant_time(encoded, kTextLength, text, length);
    qor::secure_clear(digest);
    return match ? 1 : 0;
}

}  // namespace ravuve9
