// The digest interface with its test seam: argument checks, injected
// failures and the counts that crypt_trace_for_testing reports, the same
// on every platform; the digests themselves come from the backend.
#include "platform/crypto.h"

#include <atomic>

#include "platform/crypto_backend.h"

namespace qor::platform {
namespace {

thread_local CryptFaults t_faults;
thread_local int t_acquire_calls = 0;
thread_local uint32_t t_last_acquire_flags = 0;
std::atomic<long> g_live_providers{0};
std::atomic<long> g_live_hashes{0};

// Consumes one pending injected failure of a step.
bool injected(int &pending) {
    if (pending <= 0) return false;
    --pending;
    return true;
}

// The error an injected acquire failure reports, or 0 when none is pending.
uint32_t injected_acquire_error() {
    if (!injected(t_faults.acquire_failures)) return 0;
    return t_acquire_calls > 1 && t_faults.retry_error != 0 ? t_faults.retry_error : t_faults.acquire_error;
}

}  // namespace

bool crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                           uint32_t provider_type, uint32_t flags) {
    ++t_acquire_calls;
    t_last_acquire_flags = flags;
    uint32_t injected_error = injected_acquire_error();
    if (provider == nullptr) return os_crypt_fail(kErrorInvalidParameter);
    *provider = 0;
    if (injected_error != 0) return os_crypt_fail(injected_error);
    if (!os_crypt_acquire_context(provider, container, provider_name, provider_type, flags)) return false;
    ++g_live_providers;
    return true;
}

bool crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash) {
    if (hash == nullptr) return os_crypt_fail(kErrorInvalidParameter);
    *hash = 0;
    if (injected(t_faults.create_failures)) return os_crypt_fail(kNteFail);
    if (!os_crypt_create_hash(provider, algorithm, key, flags, hash)) return false;
    ++g_live_hashes;
    return true;
}

bool crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    if (injected(t_faults.hash_failures)) return os_crypt_fail(kNteFail);
    return os_crypt_hash_data(hash, data, length, flags);
}

bool crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length, uint32_t flags) {
    if (injected(t_faults.get_failures)) return os_crypt_fail(kNteFail);
    if (length == nullptr) return os_crypt_fail(kErrorInvalidParameter);
    return os_crypt_get_hash_param(hash, parameter, data, length, flags);
}

bool crypt_destroy_hash(CryptHash hash) {
    if (!os_crypt_destroy_hash(hash)) return false;
    --g_live_hashes;
    return true;
}

bool crypt_release_context(CryptProvider provider, uint32_t flags) {
    if (!os_crypt_release_context(provider, flags)) return false;
    --g_live_providers;
    return true;
}

uint32_t crypt_last_error() { return os_crypt_last_error(); }

void set_crypt_faults_for_testing(const CryptFaults &faults) {
    t_faults = faults;
    t_acquire_calls = 0;
    t_last_acquire_flags = 0;
}

CryptTrace crypt_trace_for_testing() {
    return CryptTrace{t_acquire_calls, t_last_acquire_flags, g_live_providers.load(), g_live_hashes.load()};
}

}  // namespace qor::platform
