// The system's CryptoAPI.
#include <windows.h>
#include <wincrypt.h>

#include "platform/crypto_backend.h"

namespace qor::platform {

bool os_crypt_fail(uint32_t error) {
    SetLastError(error);
    return false;
}

bool os_crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                              uint32_t provider_type, uint32_t flags) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, container, provider_name, provider_type, flags)) return false;
    *provider = static_cast<CryptProvider>(handle);
    return true;
}

bool os_crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash) {
    HCRYPTHASH handle = 0;
    if (!CryptCreateHash(static_cast<HCRYPTPROV>(provider), algorithm, static_cast<HCRYPTKEY>(key), flags, &handle))
        return false;
    *hash = static_cast<CryptHash>(handle);
    return true;
}

bool os_crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags) {
    return CryptHashData(static_cast<HCRYPTHASH>(hash), data, length, flags) != FALSE;
}

bool os_crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length,
                             uint32_t flags) {
    DWORD room = *length;
    BOOL ok = CryptGetHashParam(static_cast<HCRYPTHASH>(hash), parameter, data, &room, flags);
    *length = room;
    return ok != FALSE;
}

bool os_crypt_destroy_hash(CryptHash hash) { return CryptDestroyHash(static_cast<HCRYPTHASH>(hash)) != FALSE; }

bool os_crypt_release_context(CryptProvider provider, uint32_t flags) {
    return CryptReleaseContext(static_cast<HCRYPTPROV>(provider), flags) != FALSE;
}

uint32_t os_crypt_last_error() { return GetLastError(); }

}  // namespace qor::platform
