// The registry store component: the registry store object served through
// the COM-shaped creation entry, to callers outside the library.
#include "platform/regstore_interface.h"
#include "registry/registry.h"
#include "registry/registry_store.h"

extern "C" __attribute__((visibility("default"))) qor::platform::HRESULT QorComponentCreate(
    const qor::platform::Guid *clsid, const qor::platform::Guid *iid, void **object) {
    if (!object) return qor::platform::kEPointer;
    *object = nullptr;
    if (!clsid || !iid || !(*clsid == qor::platform::kRegStoreClassId)) return qor::platform::kRegDbEClassNotReg;
    qor::platform::IRegStore *store = qor::registry::new_registry_store();
    if (!store) return qor::platform::hresult_from_win32(qor::registry::kErrorOutOfMemory);
    qor::platform::HRESULT rc = store->QueryInterface(*iid, object);
    store->Release();
    return rc;
}
