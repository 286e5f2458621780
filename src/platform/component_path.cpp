// Where components are looked for, with its test seam; the module's folder
// and the file checks come from the backend.
#include "platform/component_path.h"

#include <mutex>

#include "platform/component_path_backend.h"

namespace qor::platform {
namespace {

std::mutex g_override_lock;
std::string g_override;  // empty: search as usual

// Where an installed library keeps its private parts, below its own folder.
constexpr const char *kPrivateFolder = "qorldap9";

std::string joined(const std::string &folder, const char *name) { return folder + kOsPathSeparator + name; }

}  // namespace

std::string component_path(const char *file_name) {
    {
        std::lock_guard<std::mutex> lock(g_override_lock);
        if (!g_override.empty()) return joined(g_override, file_name);
    }
    std::string folder = os_own_folder();
    std::string private_part = joined(joined(folder, kPrivateFolder), file_name);
    if (os_file_exists(private_part)) return private_part;
    std::string beside = joined(folder, file_name);
    if (os_file_exists(beside)) return beside;
    std::string lib = joined(joined(joined(folder, ".."), "lib"), file_name);
    if (os_file_exists(lib)) return lib;
    return beside;
}

void set_component_dir_for_testing(const char *dir) {
    std::lock_guard<std::mutex> lock(g_override_lock);
    g_override = dir ? dir : "";
}

}  // namespace qor::platform
