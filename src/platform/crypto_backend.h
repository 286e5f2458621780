// What each platform supplies to src/platform/crypto.cpp: the digest calls
// themselves. The front has checked the out-parameters, applied injected
// failures and keeps the counts; a backend reports its own refusals
// through os_crypt_fail.
#pragma once

#include <cstdint>

#include "platform/crypto.h"

namespace qor::platform {

// provider and hash are never null and hold 0 on entry.
bool os_crypt_acquire_context(CryptProvider *provider, const char *container, const char *provider_name,
                              uint32_t provider_type, uint32_t flags);
bool os_crypt_create_hash(CryptProvider provider, uint32_t algorithm, uintptr_t key, uint32_t flags, CryptHash *hash);
bool os_crypt_hash_data(CryptHash hash, const unsigned char *data, uint32_t length, uint32_t flags);
// length is never null.
bool os_crypt_get_hash_param(CryptHash hash, uint32_t parameter, unsigned char *data, uint32_t *length, uint32_t flags);
bool os_crypt_destroy_hash(CryptHash hash);
bool os_crypt_release_context(CryptProvider provider, uint32_t flags);
// Records error as this thread's last one and answers false.
bool os_crypt_fail(uint32_t error);
uint32_t os_crypt_last_error();

}  // namespace qor::platform
