// Reading one profile key into a record.
#include <cstring>
#include <string>

#include "config/profile_fields.h"
#include "registry/registry.h"
#include "qorldap9.h"
#include "store/profile_location.h"
#include "store/seal.h"
#include "store/store_object.h"
#include "util/secret.h"
#include "util/text.h"

namespace {

using qor::StoreObject;

// Reads a string value into a field of cap bytes. A value that does not
// end within the field with its terminator is no string the field can
// hold: the read fails rather than leave the field unterminated.
bool read_string(StoreObject &store, const char *name, char *field, uint32_t cap) {
    uint32_t size = cap;
    if (store->QueryValue(name, nullptr, field, &size) != 0) return false;
    if (size == 0 || field[size - 1] == '\0') {
        if (size == 0) field[0] = '\0';
        return true;
    }
    if (size < cap) {
        field[size] = '\0';
        return true;
    }
    field[cap - 1] = '\0';
    return false;
}

// A number is exactly four bytes of type number; anything else (a
// shorter value would leave the field's old high bytes) is a failed read
// that leaves the field as it was.
bool read_number(StoreObject &store, const char *name, int32_t &field) {
    int32_t value = 0;
    uint32_t type = 0;
    uint32_t size = sizeof value;
    if (store->QueryValue(name, &type, &value, &size) != 0) return false;
    if (type != qor::registry::kRegDword || size != sizeof value) return false;
    field = value;
    return true;
}

// Room for the longest text sealing makes. A text that does not unseal
// (damaged, or not sealed by us) gives the empty secret, so that the rest
// of a profile stored that way stays usable and no bytes that are not
// text pass for a password; a missing value is a failed read.
bool read_secret(StoreObject &store, const char *name, char *field, size_t cap) {
    qor::SecretBuffer<qor::kSealedTextSize> sealed;
    qor::SecretBuffer<qor::kSealMaxPassword + 1> plain;
    if (!read_string(store, name, sealed.data(), sealed.size())) return false;
    if (!qor::unseal_password(sealed.data(), plain.data(), plain.size())) plain.data()[0] = '\0';
    qor::copy_bounded(field, cap, plain.data());
    return true;
}

bool read_field(StoreObject &store, const qor::ProfileField &f, LDAP_Config &record) {
    if (f.kind == qor::FieldKind::kNumber) return read_number(store, f.name, qor::number_of(record, f));
    char *field = qor::text_of(record, f);
    if (f.secret) return read_secret(store, f.name, field, f.size);
    return read_string(store, f.name, field, uint32_t(f.size));
}

}  // namespace

extern "C" int QORLDAP9_CALL LDAP_Config_loadEx(LDAP_Config *record, const char *name, int32_t location) {
    if (!record) return 0;
    StoreObject store;
    if (!store) return 0;
    LDC_HKEY root;
    std::string path;
    if (!qor::profile_key(location, name, root, path)) return 0;
    // All fifteen values come from one state of the store, so a save in
    // another process is seen whole or not at all. Without a transaction
    // (a store that cannot give one) the values are read one by one.
    bool snapshot = store->BeginTransaction(root, qor::registry::kKeyQueryValue) >= 0;
    if (store->OpenKey(root, path.c_str(), qor::registry::kKeyQueryValue) < 0) return 0;

    bool complete = true;
    for (const qor::ProfileField &f : qor::kProfileFields) {
        if (f.keeping == qor::Keeping::kNotKept) continue;
        if (read_field(store, f, *record)) continue;
        if (f.keeping == qor::Keeping::kRequired) {
            complete = false;
        } else if (f.kind == qor::FieldKind::kText) {
            qor::text_of(*record, f)[0] = '\0';
        } else {
            qor::number_of(*record, f) = f.initial;
        }
    }
    store->CloseKey();
    if (snapshot) store->CommitTransaction();

    if (!complete) return 0;
    LDC_setRegLocationEx(record, location);
    return 1;
}
