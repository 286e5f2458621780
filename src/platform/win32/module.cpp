#include "platform/module.h"

#include <windows.h>

namespace qor::platform {

Module load_library(const char *name) {
    if (name == nullptr) return nullptr;
    return reinterpret_cast<Module>(LoadLibraryA(name));
}

void *get_proc_address(Module module, const char *symbol) {
    if (module == nullptr || symbol == nullptr) return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), symbol));
}

void free_library(Module module) {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace qor::platform
