// The "FallBack" flag in a location's base key: stored, not interpreted.
#include "registry/registry.h"
#include "qorldap9.h"
#include "store/profile_location.h"
#include "store/store_object.h"

namespace {

// Opens the base key of a location that has one. The base key must exist
// already: the flag never creates it.
bool open_base_key(qor::StoreObject &store, int32_t location, uint32_t access) {
    LDC_HKEY root;
    const char *base = nullptr;
    return store && qor::location_base_key(location, root, base) && store->OpenKey(root, base, access) >= 0;
}

}  // namespace

extern "C" int QORLDAP9_CALL LDC_setFallBack(int32_t value, int32_t location) {
    qor::StoreObject store;
    if (!open_base_key(store, location, qor::registry::kKeySetValue)) return 0;
    return store->SetValue("FallBack", qor::registry::kRegDword, &value, sizeof value) < 0 ? 0 : 1;
}

extern "C" int QORLDAP9_CALL LDC_isFallBack(int32_t location) {
    qor::StoreObject store;
    if (!open_base_key(store, location, qor::registry::kKeyQueryValue)) return 0;
    int32_t flag = 0;
    uint32_t size = sizeof flag;
    return store->QueryValue("FallBack", nullptr, &flag, &size) >= 0 && flag == 1 ? 1 : 0;
}
