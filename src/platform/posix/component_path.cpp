#include "platform/component_path.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

namespace qor::platform {
namespace {

std::mutex g_override_lock;
std::string g_override;  // empty: search as usual

std::string own_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&own_folder), &info) == 0 || info.dli_fname == nullptr) return ".";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string component_path(const char *file_name) {
    {
        std::lock_guard<std::mutex> lock(g_override_lock);
        if (!g_override.empty()) return g_override + "/" + file_name;
    }
    std::string folder = own_folder();
    std::string beside = folder + "/" + file_name;
    if (access(beside.c_str(), F_OK) == 0) return beside;
    std::string lib = folder + "/../lib/" + file_name;
    if (access(lib.c_str(), F_OK) == 0) return lib;
    return beside;
}

void set_component_dir_for_testing(const char *dir) {
    std::lock_guard<std::mutex> lock(g_override_lock);
    g_override = dir ? dir : "";
}

}  // namespace qor::platform
