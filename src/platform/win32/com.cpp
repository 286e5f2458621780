// The system's COM runtime: the class identifier leads through the
// registry to the in-process server that makes the object.
#include "platform/com.h"

#include <objbase.h>

#include <cstring>

namespace qor::platform {
namespace {

GUID to_guid(const Guid &id) {
    static_assert(sizeof(Guid) == sizeof(GUID), "Guid has the layout of GUID");
    GUID guid;
    std::memcpy(&guid, &id, sizeof guid);
    return guid;
}

}  // namespace

HRESULT CoInitializeEx(void *reserved, uint32_t model) { return ::CoInitializeEx(reserved, model); }

HRESULT CoCreateInstance(const Guid &clsid, IUnknown *outer, uint32_t context, const Guid &iid, void **object) {
    GUID class_id = to_guid(clsid);
    GUID interface_id = to_guid(iid);
    return ::CoCreateInstance(class_id, reinterpret_cast<::IUnknown *>(outer), context, interface_id, object);
}

void CoUninitialize() { ::CoUninitialize(); }

}  // namespace qor::platform
