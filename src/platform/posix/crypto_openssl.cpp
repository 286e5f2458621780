// CryptoAPI-shaped digests over OpenSSL's EVP interface. Handles are
// tagged heap objects (util/tagged_handle.h).
#include <openssl/evp.h>

#include <cstring>
#include <new>

#include "platform/crypto_backend.h"
#include "util/secret.h"
#include "util/tagged_handle.h"

namespace qor::platform {
namespace {

constexpr uint32_t kCryptVerifyContext = 0xF0000000;

struct Provider {
    static constexpr uint32_t kTag = 0x50525631;  // "PRV1"
    uint32_t tag = kTag;
    uint32_t type = 0;
};

struct Hash {
    static constexpr uint32_t kTag = 0x48534831;  // "HSH1"
    uint32_t tag = kTag;
    EVP_MD_CTX *context = nullptr;
    bool finished = false;  // the value was read; no more data is taken
    unsigned char value[EVP_MAX_MD_SIZE] = {};
    unsigned int value_length = 0;
};

thread_local uint32_t t_last_error = 0;

Provider *as_provider(CryptProvider handle) { return qor::tagged_object<Provider>(handle); }

Hash *as_hash(CryptHash handle) { return qor::tagged_object<Hash>(handle); }

// The digests fetched once for the process. EVP_sha1() and its kind make
// OpenSSL 3 look the algorithm up in its provider store, under a lock, at
// every EVP_DigestInit_ex, which costs more than hashing a password; a
// fetched one is used as it is. Where a fetch fails, the built-in
// descriptor serves as before.
const EVP_MD *fetched(const char *name, const EVP_MD *built_in) {
    EVP_MD *md = EVP_MD_fetch(nullptr, name, nullptr);
    return md != nullptr ? md : built_in;
}

struct Digests {
    const EVP_MD *md5 = fetched("MD5", EVP_md5());
    const EVP_MD *sha1 = fetched("SHA1", EVP_sha1());
    const EVP_MD *sha256 = fetched("SHA256", EVP_sha256());
    const EVP_MD *sha384 = fetched("SHA384", EVP_sha384());
    const EVP_MD *sha512 = fetched("SHA512", EVP_sha512());
};

const Digests &digests() {
    static const Digests fetched_once;
    return fetched_once;
}

const EVP_MD *digest_for(uint32_t provider_type, uint32_t algorithm) {
    switch (algorithm) {
        case kCalgMd5:
            return digests().md5;
        case kCalgSha1:
            return digests().sha1;
        default:
            break;
    }
    // The full RSA provider predates SHA-2; only the AES one has it.
    if (provider_type != kProvRsaAes) return nullptr;
    switch (algorithm) {
        case kCalgSha256:
            return digests().sha256;
        case kCalgSha384:
            return digests().sha384;
        case kCalgSha512:
            return digests().sha512;
        default:
            return nullptr;
    }
}

}  // namespace

bool os_crypt_fail(uint32_t error) {
    t_last_error = error;
    return false;
}

bool os_crypt_acquire_context(CryptProvider *provider, const char * /*container*/, const char *provider_name,
                              uint32_t provider_type, uint32_t flags) {
    // There is one provider here, the default one, and no key containers:
    // creating or opening one is the same.
    if (provider_name != nullptr) return os_crypt_fail(kNteProvTypeNotDef);
    if (provider_type != kProvRsaFull && provider_type != kProvRsaAes) return os_crypt_fail(kNteProvTypeNotDef);
    if ((flags & ~(kCryptNewKeyset | kCryptVerifyContext)) != 0) return os_crypt_fail(kNteBadFlags);
    auto *p = new (std::nothrow) Provider;
    if (p == nullptr) return os_crypt_fail(kNteNoMemory);
    p->type = provider_type;
    *provider = qor::handle_of(p);
    return true;
}

bool os_crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash) {
    Provider *p = as_provider(provider);
    if (p == nullptr) return os_crypt_fail(kErrorInvalidParameter);
    if (key != 0 || flags != 0) return os_crypt_fail(kNteBadFlags);
    const EVP_MD *md = digest_for(p->type, algorithm);
    if (md == nullptr) return os_crypt_fail(kNteBadAlgid);
    auto *h = new (std::nothrow) Hash;
    if (h == nullptr) return os_crypt_fail(kNteNoMemory);
    h->context = EVP_MD_CTX_new();
    if (h->context == nullptr || EVP_DigestInit_ex(h->context, md, nullptr) != 1) {
        EVP_MD_CTX_free(h->context);
        delete h;
        return os_crypt_fail(kNteFail);
    }
    *hash = qor::handle_of(h);
    return true;
}

bool os_crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return os_crypt_fail(kNteBadHash);
    if (flags != 0) return os_crypt_fail(kNteBadFlags);
    if (data == nullptr && length != 0) return os_crypt_fail(kErrorInvalidParameter);
    if (h->finished) return os_crypt_fail(kNteBadHashState);
    if (length != 0 && EVP_DigestUpdate(h->context, data, length) != 1) return os_crypt_fail(kNteFail);
    return true;
}

bool os_crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length,
                             uint32_t flags) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return os_crypt_fail(kNteBadHash);
    if (flags != 0) return os_crypt_fail(kNteBadFlags);
    if (parameter != kHpHashVal) return os_crypt_fail(kNteBadType);
    if (!h->finished) {
        if (EVP_DigestFinal_ex(h->context, h->value, &h->value_length) != 1) return os_crypt_fail(kNteFail);
        h->finished = true;
    }
    uint32_t room = *length;
    *length = h->value_length;
    if (data == nullptr) return true;  // a query of the size alone
    if (room < h->value_length) return os_crypt_fail(kErrorMoreData);
    memcpy(data, h->value, h->value_length);
    return true;
}

bool os_crypt_destroy_hash(CryptHash hash) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return os_crypt_fail(kNteBadHash);
    EVP_MD_CTX_free(h->context);
    qor::secure_clear(h->value, sizeof h->value);
    qor::delete_tagged(h);
    return true;
}

bool os_crypt_release_context(CryptProvider provider, uint32_t flags) {
    Provider *p = as_provider(provider);
    if (p == nullptr) return os_crypt_fail(kErrorInvalidParameter);
    if (flags != 0) return os_crypt_fail(kNteBadFlags);
    qor::delete_tagged(p);
    return true;
}

uint32_t os_crypt_last_error() { return t_last_error; }

}  // namespace qor::platform
