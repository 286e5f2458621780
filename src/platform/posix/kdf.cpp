// PBKDF2 through OpenSSL, Argon2 through libargon2.
#include "platform/kdf.h"

#include <argon2.h>
#include <openssl/evp.h>

#include <climits>
#include <cstring>

#include "platform/crypto.h"

namespace qor::platform {
namespace {

const EVP_MD *digest_of(uint32_t algorithm) {
    switch (algorithm) {
        case kCalgSha1:
            return EVP_sha1();
        case kCalgSha256:
            return EVP_sha256();
        case kCalgSha512:
            return EVP_sha512();
        default:
            return nullptr;
    }
}

}  // namespace

bool pbkdf2_hmac(uint32_t algorithm, const char *password, size_t password_length, const unsigned char *salt,
                 size_t salt_length, uint32_t iterations, unsigned char *out, size_t out_length) {
    const EVP_MD *md = digest_of(algorithm);
    if (md == nullptr || password_length > INT_MAX || salt_length > INT_MAX || out_length > INT_MAX ||
        iterations == 0 || iterations > INT_MAX)
        return false;
    return PKCS5_PBKDF2_HMAC(password, static_cast<int>(password_length), salt, static_cast<int>(salt_length),
                             static_cast<int>(iterations), md, static_cast<int>(out_length), out) == 1;
}

bool argon2_matches(const char *encoded, const char *password, size_t password_length) {
    static const struct {
        const char *prefix;
        argon2_type type;
    } kTypes[] = {{"$argon2id$", Argon2_id}, {"$argon2i$", Argon2_i}, {"$argon2d$", Argon2_d}};
    for (const auto &t : kTypes)
        if (strncmp(encoded, t.prefix, strlen(t.prefix)) == 0)
            return argon2_verify(encoded, password, password_length, t.type) == ARGON2_OK;
    return false;
}

}  // namespace qor::platform
