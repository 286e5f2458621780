// The table of ten profiles of a location, and the search in it.
#include <cstring>
#include <string_view>

#include "registry/registry.h"
#include "qorldap9.h"
#include "store/profile_location.h"
#include "store/store_object.h"
#include "util/text.h"

extern "C" int QORLDAP9_CALL LDAP_Config_loadAllAuxEx(LDAP_ConfigAux *table, int32_t location) {
    qor::StoreObject store;
    if (!store) return LDC_E_STORE_UNAVAILABLE;
    for (int i = 0; i < LDC_TABLE_SIZE; ++i) LDAP_Config_initializeAuxEx(&table[i]);
    LDC_HKEY root;
    const char *base = nullptr;
    if (!qor::location_base_key(location, root, base)) return LDC_E_BAD_KEY;
    if (store->OpenKey(root, base, qor::registry::kKeyQueryValue | qor::registry::kKeyEnumerateSubKeys) != 0)
        return LDC_E_BAD_KEY;

    int used = 0;
    int32_t rc = 0;
    for (uint32_t index = 0;; ++index) {
        char name[256];
        uint32_t capacity = sizeof name;
        unsigned char last_write[8];
        rc = store->EnumKey(index, name, &capacity, last_write);
        if (rc != 0) break;
        // A name longer than an entry's key name holds is passed over: a
        // shortened name would lead the search to another profile.
        if (used == LDC_TABLE_SIZE || strnlen(name, sizeof name) >= sizeof table[used].KeyName) continue;
        qor::copy_bounded(table[used].KeyName, name);
        LDAP_Config_loadEx(&table[used].Config, name, location);
        ++used;
    }
    return rc;
}

extern "C" int QORLDAP9_CALL LDAP_Config_searchEx(const LDAP_ConfigAux *table, const char *name) {
    if (!name) return LDC_E_NOT_IN_TABLE;
    for (int i = 0; i < LDC_TABLE_SIZE; ++i) {
        // The record's BaseDN, not the key name, marks the end of the used entries.
        if (table[i].Config.BaseDN[0] == '\0') return LDC_E_NOT_IN_TABLE;
        if (qor::field_view(table[i].KeyName) == std::string_view(name)) return i;
    }
    return LDC_E_NOT_IN_TABLE;
}
