// CryptoAPI-shaped digests over OpenSSL's EVP interface. Handles are heap
// objects tagged with a kind word, so a stale or foreign handle is refused
// instead of followed.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <atomic>
#include <cstring>
#include <new>

#include "platform/crypto.h"

namespace qor::platform {
namespace {

constexpr uint32_t kProviderTag = 0x50525631;  // "PRV1"
constexpr uint32_t kHashTag = 0x48534831;      // "HSH1"
constexpr uint32_t kCryptVerifyContext = 0xF0000000;

struct Provider {
    uint32_t tag = kProviderTag;
    uint32_t type = 0;
};

struct Hash {
    uint32_t tag = kHashTag;
    EVP_MD_CTX *context = nullptr;
    bool finished = false;  // the value was read; no more data is taken
    unsigned char value[EVP_MAX_MD_SIZE] = {};
    unsigned int value_length = 0;
};

thread_local uint32_t t_last_error = 0;
thread_local CryptFaults t_faults;
thread_local int t_acquire_calls = 0;
thread_local uint32_t t_last_acquire_flags = 0;
std::atomic<long> g_live_providers{0};
std::atomic<long> g_live_hashes{0};

bool fail(uint32_t error) {
    t_last_error = error;
    return false;
}

// Consumes one injected failure of a kind, if any is pending.
bool injected(int &pending) {
    if (pending <= 0) return false;
    --pending;
    return true;
}

Provider *as_provider(CryptProvider handle) {
    auto *p = reinterpret_cast<Provider *>(handle);
    return (p != nullptr && p->tag == kProviderTag) ? p : nullptr;
}

Hash *as_hash(CryptHash handle) {
    auto *h = reinterpret_cast<Hash *>(handle);
    return (h != nullptr && h->tag == kHashTag) ? h : nullptr;
}

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
    case kCalgMd5: return digests().md5;
    case kCalgSha1: return digests().sha1;
    default: break;
    }
    // The full RSA provider predates SHA-2; only the AES one has it.
    if (provider_type != kProvRsaAes) return nullptr;
    switch (algorithm) {
    case kCalgSha256: return digests().sha256;
    case kCalgSha384: return digests().sha384;
    case kCalgSha512: return digests().sha512;
    default: return nullptr;
    }
}

}  // namespace

bool crypt_acquire_context(CryptProvider *provider, const char * /*container*/, const char *provider_name,
                           uint32_t provider_type, uint32_t flags) {
    ++t_acquire_calls;
    t_last_acquire_flags = flags;
    if (provider == nullptr) return fail(kErrorInvalidParameter);
    *provider = 0;
    if (injected(t_faults.acquire_failures))
        return fail(t_acquire_calls > 1 && t_faults.retry_error != 0 ? t_faults.retry_error : t_faults.acquire_error);
    // There is one provider here, the default one, and no key containers:
    // creating or opening one is the same.
    if (provider_name != nullptr) return fail(kNteProvTypeNotDef);
    if (provider_type != kProvRsaFull && provider_type != kProvRsaAes) return fail(kNteProvTypeNotDef);
    if ((flags & ~(kCryptNewKeyset | kCryptVerifyContext)) != 0) return fail(kNteBadFlags);
    auto *p = new (std::nothrow) Provider;
    if (p == nullptr) return fail(kNteNoMemory);
    p->type = provider_type;
    ++g_live_providers;
    *provider = reinterpret_cast<CryptProvider>(p);
    return true;
}

bool crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags,
                       CryptHash *hash) {
    if (hash == nullptr) return fail(kErrorInvalidParameter);
    *hash = 0;
    Provider *p = as_provider(provider);
    if (p == nullptr) return fail(kErrorInvalidParameter);
    if (injected(t_faults.create_failures)) return fail(kNteFail);
    if (key != 0 || flags != 0) return fail(kNteBadFlags);
    const EVP_MD *md = digest_for(p->type, algorithm);
    if (md == nullptr) return fail(kNteBadAlgid);
    auto *h = new (std::nothrow) Hash;
    if (h == nullptr) return fail(kNteNoMemory);
    h->context = EVP_MD_CTX_new();
    if (h->context == nullptr || EVP_DigestInit_ex(h->context, md, nullptr) != 1) {
        EVP_MD_CTX_free(h->context);
        delete h;
        return fail(kNteFail);
    }
    ++g_live_hashes;
    *hash = reinterpret_cast<CryptHash>(h);
    return true;
}

bool crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return fail(kNteBadHash);
    if (injected(t_faults.hash_failures)) return fail(kNteFail);
    if (flags != 0) return fail(kNteBadFlags);
    if (data == nullptr && length != 0) return fail(kErrorInvalidParameter);
    if (h->finished) return fail(kNteBadHashState);
    if (length != 0 && EVP_DigestUpdate(h->context, data, length) != 1) return fail(kNteFail);
    return true;
}

bool crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length,
                          uint32_t flags) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return fail(kNteBadHash);
    if (injected(t_faults.get_failures)) return fail(kNteFail);
    if (flags != 0) return fail(kNteBadFlags);
    if (parameter != kHpHashVal) return fail(kNteBadType);
    if (length == nullptr) return fail(kErrorInvalidParameter);
    if (!h->finished) {
        if (EVP_DigestFinal_ex(h->context, h->value, &h->value_length) != 1) return fail(kNteFail);
        h->finished = true;
    }
    uint32_t room = *length;
    *length = h->value_length;
    if (data == nullptr) return true;  // a query of the size alone
    if (room < h->value_length) return fail(kErrorMoreData);
    memcpy(data, h->value, h->value_length);
    return true;
}

bool crypt_destroy_hash(CryptHash hash) {
    Hash *h = as_hash(hash);
    if (h == nullptr) return fail(kNteBadHash);
    EVP_MD_CTX_free(h->context);
    OPENSSL_cleanse(h->value, sizeof h->value);
    h->tag = 0;
    delete h;
    --g_live_hashes;
    return true;
}

bool crypt_release_context(CryptProvider provider, uint32_t flags) {
    Provider *p = as_provider(provider);
    if (p == nullptr) return fail(kErrorInvalidParameter);
    if (flags != 0) return fail(kNteBadFlags);
    p->tag = 0;
    delete p;
    --g_live_providers;
    return true;
}

uint32_t crypt_last_error() { return t_last_error; }

void set_crypt_faults_for_testing(const CryptFaults &faults) {
    t_faults = faults;
    t_acquire_calls = 0;
    t_last_acquire_flags = 0;
}

CryptTrace crypt_trace_for_testing() {
    return CryptTrace{t_acquire_calls, t_last_acquire_flags, g_live_providers.load(), g_live_hashes.load()};
}

}  // namespace qor::platform
