// The registry on Windows: ADVAPI32 itself.
#include "registry/registry.h"

#include <windows.h>

namespace qor::registry {

int32_t RegOpenKeyExA(HKEY key, const char *sub_key, uint32_t options, uint32_t access, HKEY *result) {
    return ::RegOpenKeyExA(key, sub_key, options, access, result);
}

int32_t RegCreateKeyExA(HKEY key, const char *sub_key, uint32_t reserved, char *key_class, uint32_t options,
                        uint32_t access, void *security, HKEY *result, uint32_t *disposition) {
    DWORD how = 0;
    LONG rc = ::RegCreateKeyExA(key, sub_key, reserved, key_class, options, access,
                                static_cast<LPSECURITY_ATTRIBUTES>(security), result, &how);
    if (rc == ERROR_SUCCESS && disposition != nullptr) *disposition = how;
    return rc;
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char *name, uint32_t *name_length, uint32_t *reserved, char *key_class,
                      uint32_t *class_length, void *last_write) {
    if (name_length == nullptr) return kErrorInvalidParameter;
    DWORD length = *name_length;
    DWORD class_room = class_length != nullptr ? *class_length : 0;
    LONG rc = ::RegEnumKeyExA(key, index, name, &length, reinterpret_cast<LPDWORD>(reserved), key_class,
                              class_length != nullptr ? &class_room : nullptr, static_cast<PFILETIME>(last_write));
    if (rc == ERROR_SUCCESS) {
        *name_length = length;
        if (class_length != nullptr) *class_length = class_room;
    }
    return rc;
}

int32_t RegQueryValueExA(HKEY key, const char *value_name, uint32_t *reserved, uint32_t *type, unsigned char *data,
                         uint32_t *size) {
    if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
    DWORD kind = 0;
    DWORD needed = 0;
    // The size first: a value that does not fit leaves the caller's buffer
    // as it was, which Windows does not promise for a direct read.
    LONG rc = ::RegQueryValueExA(key, value_name, reinterpret_cast<LPDWORD>(reserved), &kind, nullptr, &needed);
    if (rc == ERROR_SUCCESS && data != nullptr) {
        if (needed > *size) {
            rc = ERROR_MORE_DATA;
        } else {
            DWORD room = *size;
            rc = ::RegQueryValueExA(key, value_name, nullptr, &kind, data, &room);
            needed = room;
        }
    }
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        if (size != nullptr) *size = needed;
        if (type != nullptr) *type = kind;
    }
    return rc;
}

int32_t RegSetValueExA(HKEY key, const char *value_name, uint32_t reserved, uint32_t type, const unsigned char *data,
                       uint32_t size) {
    return ::RegSetValueExA(key, value_name, reserved, type, data, size);
}

int32_t RegDeleteKeyA(HKEY key, const char *sub_key) { return ::RegDeleteKeyA(key, sub_key); }

int32_t RegCloseKey(HKEY key) { return ::RegCloseKey(key); }

// The Windows registry applies every change at once and has no
// transactions of its own outside the kernel transaction manager, which
// the systems this library runs on do not all have. Begin and commit are
// therefore accepted as they stand; a rollback cannot undo anything and
// says so.
int32_t reg_begin_transaction(HKEY key) { return key != nullptr ? kErrorSuccess : kErrorInvalidHandle; }

int32_t reg_begin_read_transaction(HKEY key) { return key != nullptr ? kErrorSuccess : kErrorInvalidHandle; }

int32_t reg_commit_transaction(HKEY key) { return key != nullptr ? kErrorSuccess : kErrorInvalidHandle; }

int32_t reg_rollback_transaction(HKEY key) {
    return key != nullptr ? static_cast<int32_t>(ERROR_CALL_NOT_IMPLEMENTED) : kErrorInvalidHandle;
}

}  // namespace qor::registry
