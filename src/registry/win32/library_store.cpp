// On Windows the library's profile functions reach the registry through
// the registered registry store COM server, as outside callers do.
#include <atomic>

#include "platform/com.h"
#include "registry/registry_store.h"

namespace qor::registry {
namespace {

std::atomic<bool> g_refused{false};

}  // namespace

platform::IRegStore *library_store_object() {
    using namespace platform;
    void *object = nullptr;
    if (g_refused.load() ||
        CoCreateInstance(kRegStoreClassId, nullptr, kClsctxInprocServer, kRegStoreInterfaceId, &object) < 0)
        return nullptr;
    return static_cast<IRegStore *>(object);
}

void refuse_library_store_for_testing(bool refuse) { g_refused.store(refuse); }

}  // namespace qor::registry
