// Writing a record into a profile key, all or nothing.
#include <cstring>
#include <string>

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

bool write_values(StoreObject &store, const LDAP_Config *r, const char *name, const char *sealed) {
    return write_number(store, "Version", r->Version) && write_number(store, "Port", r->Port) &&
           write_number(store, "SizeLimit", r->SizeLimit) && write_number(store, "Timeout", r->Timeout) &&
           write_number(store, "Deref", r->Deref) && write_number(store, "Referal", r->Referal) &&
           write_number(store, "Ssl", r->Ssl) && write_number(store, "Anonymous", r->Anonymous) &&
           write_number(store, "MBFlags", r->MBFlags) && write_string(store, "ProfileName", name) &&
           write_string(store, "BaseDN", qor::field_view(r->BaseDN)) &&
           write_string(store, "BindDN", qor::field_view(r->BindDN)) && write_string(store, "BindPwd", sealed) &&
           write_string(store, "HostNames", qor::field_view(r->HostNames)) &&
           write_string(store, "GString", qor::field_view(r->GString));
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
    if (qor::seal_password(password.c_str(), sealed.data(), sealed.size()) != 0) return 0;
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
