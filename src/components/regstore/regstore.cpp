// The registry store component: the registry store object served through
// the COM-shaped creation entry, to callers outside the library.
#include "platform/regstore_interface.h"
#include "registry/registry.h"
#include "registry/registry_store.h"

extern "C" __attribute__((visibility("default"))) qor::platform::HRESULT QorComponentCreate(
    const qor::platform::Guid *clsid, const qor::platform::Guid *iid, void **object) {
    using namespace qor::platform;
    if (!object) return kEPointer;
    *object = nullptr;
    if (!clsid || !iid || !(*clsid == kRegStoreClassId)) return kRegDbEClassNotReg;
    IRegStore *store = qor::registry::new_registry_store();
    if (!store) return hresult_from_win32(qor::registry::kErrorOutOfMemory);
    HRESULT rc = store->QueryInterface(*iid, object);
    store->Release();
    return rc;
}
