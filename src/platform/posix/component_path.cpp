#include <dlfcn.h>
#include <unistd.h>

#include "platform/component_path_backend.h"

namespace qor::platform {

const char kOsPathSeparator = '/';

std::string os_own_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&os_own_folder), &info) == 0 || info.dli_fname == nullptr) return ".";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool os_file_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace qor::platform
