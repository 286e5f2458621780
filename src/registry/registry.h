// The registry, with the semantics of the Windows registry functions of
// ADVAPI32: predefined roots, hierarchical keys whose names compare without
// regard to case, typed values, and results that are Windows error codes.
// One backend per platform; on POSIX the three roots are SQLite databases.
#pragma once

#include <cstdint>

#include "qorldap9.h"

namespace qor::registry {

using HKEY = LDC_HKEY;

// Windows error codes the registry functions return.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorOutOfMemory = 14;
constexpr int32_t kErrorInvalidParameter = 87;
constexpr int32_t kErrorBadPathname = 161;
constexpr int32_t kErrorBusy = 170;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;
constexpr int32_t kErrorRegistryCorrupt = 1015;
constexpr int32_t kErrorRegistryIoFailed = 1016;
constexpr int32_t kErrorKeyDeleted = 1018;

// Value types.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

// Access rights that the backend enforces; other bits are accepted.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kReadControl = 0x20000;
// KEY_WRITE and the right to list subkeys: what deleting a key tree takes.
constexpr uint32_t kKeyWriteAndEnumerate = kReadControl | kKeySetValue | kKeyCreateSubKey | kKeyEnumerateSubKeys;

// Dispositions of RegCreateKeyExA.
constexpr uint32_t kRegCreatedNewKey = 1;
constexpr uint32_t kRegOpenedExistingKey = 2;

// Longest key name (one path component), as on Windows.
constexpr uint32_t kMaxKeyNameLength = 255;

int32_t RegOpenKeyExA(HKEY key, const char *sub_key, uint32_t options, uint32_t access, HKEY *result);
int32_t RegCreateKeyExA(HKEY key, const char *sub_key, uint32_t reserved, char *key_class, uint32_t options,
                        uint32_t access, void *security, HKEY *result, uint32_t *disposition);
// name_length: the buffer's capacity in characters on entry, the name's
// length without the terminator on success. The optional outputs after it
// may be null; last_write, when given, points to 8 bytes.
int32_t RegEnumKeyExA(HKEY key, uint32_t index, char *name, uint32_t *name_length, uint32_t *reserved, char *key_class,
                      uint32_t *class_length, void *last_write);
// data null asks for the size only. A buffer too small gives kErrorMoreData
// with the size needed in *size and nothing written.
int32_t RegQueryValueExA(HKEY key, const char *value_name, uint32_t *reserved, uint32_t *type, unsigned char *data,
                         uint32_t *size);
int32_t RegSetValueExA(HKEY key, const char *value_name, uint32_t reserved, uint32_t type, const unsigned char *data,
                       uint32_t size);
// Deletes a key without subkeys (kErrorAccessDenied when it has some).
int32_t RegDeleteKeyA(HKEY key, const char *sub_key);
int32_t RegCloseKey(HKEY key);

// Transactions. A key opened from a predefined root starts its own
// session with the root's store; keys opened below it share that session,
// so that everything done through them between a begin and a commit is
// applied together or not at all. A session closed with a transaction
// still open rolls it back, as does a process that dies. A session with
// an open transaction belongs to one thread at a time.
int32_t reg_begin_transaction(HKEY key);
// A transaction that only reads: everything read through the session
// until the commit comes from one state of the store, never half of a
// change made meanwhile. Needs no write access.
int32_t reg_begin_read_transaction(HKEY key);
int32_t reg_commit_transaction(HKEY key);
int32_t reg_rollback_transaction(HKEY key);

}  // namespace qor::registry
