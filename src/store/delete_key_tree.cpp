// Deleting a registry key with everything below it, on the registry
// functions directly rather than through the store component.
#include "registry/registry_tree.h"
#include "qorldap9.h"

extern "C" int32_t QORLDAP9_CALL LDC_RegDeleteKeyNT(LDC_HKEY key, const char *path) {
    if (!path || !*path) return LDC_E_BAD_KEY;
    return qor::registry::delete_key_tree(key, path);
}
