#include "nt_hash.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include "util/utf8.h"

namespace qorsspi {
namespace {

// MD4 lives in OpenSSL's legacy provider. Fetched once and kept for the
// process: EVP_Digest on a shared EVP_MD is safe from any thread.
EVP_MD *md4() {
    static EVP_MD *md = [] {
        OSSL_LIB_CTX *context = OSSL_LIB_CTX_new();
        if (context == nullptr) return static_cast<EVP_MD *>(nullptr);
        if (OSSL_PROVIDER_load(context, "legacy") == nullptr) return static_cast<EVP_MD *>(nullptr);
        return EVP_MD_fetch(context, "MD4", nullptr);
    }();
    return md;
}

}  // namespace

qor::Secret nt_hash_hex(std::string_view password) {
    EVP_MD *md = md4();
    if (md == nullptr) return qor::Secret();
    qor::Secret utf16;
    utf16.reserve(password.size() * 2);
    qor::utf8_to_utf16le(password, utf16);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool ok = EVP_Digest(utf16.data(), utf16.size(), digest, &length, md, nullptr) == 1 && length == 16;
    if (!ok) return qor::Secret();
    static const char kHex[] = "0123456789ABCDEF";
    qor::Secret hex;
    for (unsigned i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0xF]);
    }
    qor::secure_clear(digest, sizeof digest);
    return hex;
}

}  // namespace qorsspi
