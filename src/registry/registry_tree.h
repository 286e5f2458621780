// Deleting a registry key with every key below it, on the registry
// functions alone: the registry deletes only keys without subkeys, so the
// deepest go first and the named key last.
#pragma once

#include "registry/registry.h"

namespace qor::registry {

inline int32_t delete_key_tree(HKEY key, const char *path) {
    HKEY sub = nullptr;
    int32_t rc = RegOpenKeyExA(key, path, 0, kDelete | kKeyEnumerateSubKeys, &sub);
    if (rc != kErrorSuccess) return rc;
    while (true) {
        char name[kMaxKeyNameLength + 1];
        uint32_t capacity = sizeof name;
        // Always index 0: each subkey found is gone before the next call.
        rc = RegEnumKeyExA(sub, 0, name, &capacity, nullptr, nullptr, nullptr, nullptr);
        if (rc == kErrorNoMoreItems) break;
        if (rc == kErrorSuccess) rc = delete_key_tree(sub, name);
        if (rc != kErrorSuccess) {
            RegCloseKey(sub);
            return rc;
        }
    }
    rc = RegDeleteKeyA(key, path);
    RegCloseKey(sub);
    return rc;
}

}  // namespace qor::registry
