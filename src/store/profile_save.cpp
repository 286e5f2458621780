// Writing a record into a profile key, all or nothing.
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
using namespace qor::registry;

bool write_number(StoreObject &store, const char *name, int32_t value) {
    return store->SetValue(name, kRegDword, &value, sizeof value) >= 0;
}

// The sealed password passes through here as well.
bool write_string(StoreObject &store, const char *name, std::string_view text) {
    qor::Secret value(text);
    return store->SetValue(name, kRegSz, value.c_str(), uint32_t(value.size() + 1)) >= 0;
}

// The numbers first, then the texts: the order profiles are stored in.
// The key's own name is stored as ProfileName, whatever the record holds,
// and the password in its sealed form.
bool write_values(StoreObject &store, const LDAP_Config *r, const char *name, const char *sealed) {
    for (qor::FieldKind kind : {qor::FieldKind::kNumber, qor::FieldKind::kText}) {
        for (const qor::ProfileField &f : qor::kProfileFields) {
            if (f.keeping == qor::Keeping::kNotKept || f.kind != kind) continue;
            bool written = false;
            if (kind == qor::FieldKind::kNumber)
                written = write_number(store, f.name, qor::number_of(*r, f));
            else if (f.secret)
                written = write_string(store, f.name, sealed);
            else if (f.offset == offsetof(LDAP_Config, ProfileName))
                written = write_string(store, f.name, name);
            else
                written = write_string(store, f.name, qor::text_view(*r, f));
            if (!written) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int QORLDAP9_CALL LDAP_Config_saveEx(LDAP_Config *record, const char *name, int32_t location) {
    if (!record || !name) return 0;
    // A name longer than ProfileName holds would be stored, yet never load.
    if (strnlen(name, LDC_PROFILENAME_SIZE) >= LDC_PROFILENAME_SIZE) return 0;
    StoreObject store;
    if (!store) return 0;
    // A password that sealing refuses would not come back as it was: save
    // nothing rather than a profile with another password.
    qor::Secret password(qor::field_view(record->BindPwd));
    qor::SecretBuffer<qor::kSealedTextSize> sealed;
    if (!qor::seal_password(password.c_str(), sealed.data(), sealed.size())) return 0;
    LDC_HKEY root;
    std::string path;
    if (!qor::profile_key(location, name, root, path)) return 0;

    // The key and its fifteen values go in one transaction: a failed write
    // or a process that dies half way leaves the profile as it was. An
    // uncommitted transaction is rolled back when the store is released.
    uint32_t disposition = 0;
    if (store->BeginTransaction(root, kKeyAllAccess) < 0) return 0;
    if (store->CreateKey(root, path.c_str(), 0, kKeyAllAccess, nullptr, &disposition) < 0) return 0;
    if (!write_values(store, record, name, sealed.data())) return 0;
    return store->CommitTransaction() >= 0 ? 1 : 0;
}
