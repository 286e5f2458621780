// On POSIX the library's profile functions work on the library's own
// registry: the object is made here, not out through the component.
#include <atomic>

#include "registry/registry_store.h"

namespace qor::registry {
namespace {

std::atomic<bool> g_refused{false};

}  // namespace

platform::IRegStore *library_store_object() { return g_refused.load() ? nullptr : new_registry_store(); }

void refuse_library_store_for_testing(bool refuse) { g_refused.store(refuse); }

}  // namespace qor::registry
