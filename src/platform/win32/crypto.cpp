// The system's CryptoAPI, with the test seams of the interface counted
// around it.
#include "platform/crypto.h"

#include <windows.h>
#include <wincrypt.h>

#include <atomic>

namespace qor::platform {
namespace {

thread_local CryptFaults t_faults;
thread_local int t_acquire_calls = 0;
thread_local uint32_t t_last_acquire_flags = 0;
std::atomic<long> g_live_providers{0};
std::atomic<long> g_live_hashes{0};

// Consumes one injected failure of a kind, if any is pending.
bool injected(int &pending) {
    if (pending <= 0) return false;
    --pending;
    return true;
}

bool fail(uint32_t error) {
    SetLastError(error);
    return false;
}

}  // namespace

bool crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                           uint32_t provider_type, uint32_t flags) {
    ++t_acquire_calls;
    t_last_acquire_flags = flags;
    if (provider == nullptr) return fail(kErrorInvalidParameter);
    *provider = 0;
    if (injected(t_faults.acquire_failures))
        return fail(t_acquire_calls > 1 && t_faults.retry_error != 0 ? t_faults.retry_error : t_faults.acquire_error);
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, container, provider_name, provider_type, flags)) return false;
    ++g_live_providers;
    *provider = static_cast<CryptProvider>(handle);
    return true;
}

bool crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags,
                       CryptHash *hash) {
    if (hash == nullptr) return fail(kErrorInvalidParameter);
    *hash = 0;
    if (injected(t_faults.create_failures)) return fail(kNteFail);
    HCRYPTHASH handle = 0;
    if (!CryptCreateHash(static_cast<HCRYPTPROV>(provider), algorithm, static_cast<HCRYPTKEY>(key), flags, &handle))
        return false;
    ++g_live_hashes;
    *hash = static_cast<CryptHash>(handle);
    return true;
}

bool crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    if (injected(t_faults.hash_failures)) return fail(kNteFail);
    return CryptHashData(static_cast<HCRYPTHASH>(hash), data, length, flags) != FALSE;
}

bool crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length,
                          uint32_t flags) {
    if (injected(t_faults.get_failures)) return fail(kNteFail);
    if (length == nullptr) return fail(kErrorInvalidParameter);
    DWORD room = *length;
    BOOL ok = CryptGetHashParam(static_cast<HCRYPTHASH>(hash), parameter, data, &room, flags);
    *length = room;
    return ok != FALSE;
}

bool crypt_destroy_hash(CryptHash hash) {
    if (!CryptDestroyHash(static_cast<HCRYPTHASH>(hash))) return false;
    --g_live_hashes;
    return true;
}

bool crypt_release_context(CryptProvider provider, uint32_t flags) {
    if (!CryptReleaseContext(static_cast<HCRYPTPROV>(provider), flags)) return false;
    --g_live_providers;
    return true;
}

uint32_t crypt_last_error() { return GetLastError(); }

void set_crypt_faults_for_testing(const CryptFaults &faults) {
    t_faults = faults;
    t_acquire_calls = 0;
    t_last_acquire_flags = 0;
}

CryptTrace crypt_trace_for_testing() {
    return CryptTrace{t_acquire_calls, t_last_acquire_flags, g_live_providers.load(), g_live_hashes.load()};
}

}  // namespace qor::platform
