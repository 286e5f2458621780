#include "platform/component_path.h"

#include <windows.h>

#include <mutex>

namespace qor::platform {
namespace {

std::mutex g_override_lock;
std::string g_override;  // empty: search as usual

// The folder of the module holding this code: the DLL, or a program that
// linked the library's code statically.
std::string own_folder() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&own_folder), &module))
        return ".";
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) return ".";
    std::string folder(path, length);
    size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::string component_path(const char *file_name) {
    {
        std::lock_guard<std::mutex> lock(g_override_lock);
        if (!g_override.empty()) return g_override + "\\" + file_name;
    }
    std::string folder = own_folder();
    std::string beside = folder + "\\" + file_name;
    if (exists(beside)) return beside;
    std::string lib = folder + "\\..\\lib\\" + file_name;
    if (exists(lib)) return lib;
    return beside;
}

void set_component_dir_for_testing(const char *dir) {
    std::lock_guard<std::mutex> lock(g_override_lock);
    g_override = dir ? dir : "";
}

}  // namespace qor::platform
