// Deleting a common profile key.
#include <string>

#include "registry/registry.h"
#include "qorldap9.h"
#include "store/profile_location.h"
#include "store/store_object.h"

extern "C" int QORLDAP9_CALL LDAP_Config_resetEx(const char *name, int32_t machine) {
    LDC_HKEY root;
    std::string path;
    if (!qor::profile_key(machine == 0 ? LDC_LOC_USER_COMMON : LDC_LOC_MACHINE_COMMON, name, root, path)) return 0;
    qor::StoreObject store;
    if (!store) return 0;
    if (store->OpenKey(root, "", qor::registry::kKeyWriteAndEnumerate) < 0) return 0;
    return store->DeleteKey(path.c_str(), 1) >= 0 ? 1 : 0;
}
