#include "platform/com.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/component_path.h"
#include "platform/process.h"
#include "registry/registry_calls.h"
#include "platform/regstore_interface.h"

namespace qor::platform {
namespace {

struct ClassEntry {
    Guid clsid;
    const char *library;
};

// The classes this process knows and the library that serves each.
constexpr ClassEntry kClasses[] = {
    {kRegStoreClassId, kRegStoreLibrary},
};

thread_local int t_init_count = 0;

// Component libraries stay loaded for the life of the process, as a COM
// runtime keeps in-process servers loaded: objects may outlive the call
// that created them, and reloading on every call would only cost time.
// Process-wide state (platform/process.h): a fork waits for the table's
// lock, so that the child finds it free.
struct Libraries {
    std::mutex lock;
    std::map<std::string, void *> loaded;
};

void lock_libraries_before_fork();
void unlock_libraries_after_fork();

Libraries &libraries() {
    static Libraries *table = [] {
        register_process_hooks(ProcessStateHolder::Components, {lock_libraries_before_fork, unlock_libraries_after_fork,
                                                                unlock_libraries_after_fork, nullptr});
        return new Libraries;
    }();
    return *table;
}

void lock_libraries_before_fork() { libraries().lock.lock(); }
void unlock_libraries_after_fork() { libraries().lock.unlock(); }

void *load_component(const std::string &path) {
    Libraries &table = libraries();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.loaded.find(path);
    if (it != table.loaded.end()) return it->second;
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    // A component that works on the registry uses this library's, so that
    // the process keeps one pool of connections and one table of open keys.
    auto attach =
        reinterpret_cast<registry::ComponentAttachRegistryFn>(dlsym(handle, registry::kComponentAttachRegistrySymbol));
    if (attach) attach(&registry::kHostRegistryCalls);
    table.loaded.emplace(path, handle);
    return handle;
}

}  // namespace

HRESULT CoInitializeEx(void *, uint32_t) { return t_init_count++ == 0 ? kSOk : kSFalse; }

void CoUninitialize() {
    if (t_init_count > 0) --t_init_count;
}

HRESULT CoCreateInstance(const Guid &clsid, IUnknown *outer, uint32_t context, const Guid &iid, void **object) {
    if (!object) return kEPointer;
    *object = nullptr;
    if (t_init_count == 0) return kCoENotInitialized;
    if (outer) return kClassENoAggregation;
    if (!(context & kClsctxInprocServer)) return kRegDbEClassNotReg;
    for (const ClassEntry &entry : kClasses) {
        if (!(entry.clsid == clsid)) continue;
        void *library = load_component(component_path(entry.library));
        if (!library) return kRegDbEClassNotReg;
        auto create = reinterpret_cast<ComponentCreateFn>(dlsym(library, kComponentCreateSymbol));
        if (!create) return kCoEErrorInDll;
        return create(&clsid, &iid, object);
    }
    return kRegDbEClassNotReg;
}

}  // namespace qor::platform
