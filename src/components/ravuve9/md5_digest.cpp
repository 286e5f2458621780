// The MD5 digest of a password through OpenSSL.
#include <openssl/evp.h>

#include "checks.h"
#include "util/secret.h"

namespace ravuve9 {

bool md5_digest(const char *data, size_t length, unsigned char (&digest)[kMd5DigestBytes]) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int out_length = 0;
    bool ok = EVP_Digest(data, length, out, &out_length, EVP_md5(), nullptr) == 1 && out_length == kMd5DigestBytes;
    if (ok)
        for (size_t i = 0; i < kMd5DigestBytes; ++i) digest[i] = out[i];
    qor::secure_clear(out, sizeof out);
    return ok;
}

}  // namespace ravuve9
