// The system's CryptoAPI, with the test seams of the interface counted
// around it.
#include "platform/crypto.h"

#include <windows.h>
#include <wincrypt.h>

#include "platform/crypto_seam.h"

namespace qor::platform {
namespace {

bool fail(uint32_t error) {
    SetLastError(error);
    return false;
}

}  // namespace

bool crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                           uint32_t provider_type, uint32_t flags) {
    uint32_t injected_error = crypto_seam::acquire_called(flags);
    if (provider == nullptr) return fail(kErrorInvalidParameter);
    *provider = 0;
    if (injected_error != 0) return fail(injected_error);
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, container, provider_name, provider_type, flags)) return false;
    crypto_seam::provider_opened();
    *provider = static_cast<CryptProvider>(handle);
    return true;
}

bool crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash) {
    if (hash == nullptr) return fail(kErrorInvalidParameter);
    *hash = 0;
    if (crypto_seam::create_fails()) return fail(kNteFail);
    HCRYPTHASH handle = 0;
    if (!CryptCreateHash(static_cast<HCRYPTPROV>(provider), algorithm, static_cast<HCRYPTKEY>(key), flags, &handle))
        return false;
    crypto_seam::hash_opened();
    *hash = static_cast<CryptHash>(handle);
    return true;
}

bool crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    if (crypto_seam::hash_fails()) return fail(kNteFail);
    return CryptHashData(static_cast<HCRYPTHASH>(hash), data, length, flags) != FALSE;
}

bool crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length, uint32_t flags) {
    if (crypto_seam::get_fails()) return fail(kNteFail);
    if (length == nullptr) return fail(kErrorInvalidParameter);
    DWORD room = *length;
    BOOL ok = CryptGetHashParam(static_cast<HCRYPTHASH>(hash), parameter, data, &room, flags);
    *length = room;
    return ok != FALSE;
}

bool crypt_destroy_hash(CryptHash hash) {
    if (!CryptDestroyHash(static_cast<HCRYPTHASH>(hash))) return false;
    crypto_seam::hash_closed();
    return true;
}

bool crypt_release_context(CryptProvider provider, uint32_t flags) {
    if (!CryptReleaseContext(static_cast<HCRYPTPROV>(provider), flags)) return false;
    crypto_seam::provider_closed();
    return true;
}

uint32_t crypt_last_error() { return GetLastError(); }

}  // namespace qor::platform
