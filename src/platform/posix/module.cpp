#include "platform/module.h"

#include <dlfcn.h>

#include <string>

#include "platform/component_path.h"
#include "util/text.h"

namespace qor::platform {
namespace {

struct KnownLibrary {
    const char *windows_name;
    const char *file_name;
};

// Both names of the security provider lead to the project's provider;
// Windows file names compare without regard to case.
constexpr KnownLibrary kKnownLibraries[] = {
    {"secur32.dll", "libqorsspi.so"},
    {"security.dll", "libqorsspi.so"},
};

const char *file_for(const char *name) {
    for (const KnownLibrary &known : kKnownLibraries)
        if (qor::equals_ignore_case(name, known.windows_name)) return known.file_name;
    return nullptr;
}

}  // namespace

Module load_library(const char *name) {
    if (name == nullptr) return nullptr;
    const char *file = file_for(name);
    if (file == nullptr) return nullptr;
    std::string path = component_path(file);
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *get_proc_address(Module module, const char *symbol) {
    if (module == nullptr || symbol == nullptr) return nullptr;
    return dlsym(module, symbol);
}

void free_library(Module module) {
    if (module != nullptr) dlclose(module);
}

}  // namespace qor::platform
