// The MD5 digest of a password through the system's CryptoAPI.
#include <cstring>

#include "../checks.h"
#include "digest.h"
#include "util/secret.h"

namespace ravuve9 {

bool md5_digest(const char *data, size_t length, unsigned char (&digest)[kMd5DigestBytes]) {
    DigestProvider provider;
    Digest md5(provider, CALG_MD5);
    md5.add(data, length);
    std::string out = md5.finish();
    bool ok = md5.ok() && out.size() == kMd5DigestBytes;
    if (ok) std::memcpy(digest, out.data(), kMd5DigestBytes);
    qor::secure_clear(out);
    return ok;
}

}  // namespace ravuve9
