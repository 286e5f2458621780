#include "platform/posix/registry_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace qor::platform {
namespace {

constexpr const char *kSharedFolder = "/var/lib/qorldap9";

const char *file_name(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return "current_user.db";
        case RegistryRoot::LocalMachine:
            return "local_machine.db";
        case RegistryRoot::Users:
            return "users.db";
    }
    return "unknown.db";
}

// The user's config folder: $XDG_CONFIG_HOME when it is an absolute path
// (relative values are to be ignored), else ~/.config.
std::string user_config_folder() {
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char *home = getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (base.empty()) {
        struct passwd pw {};
        struct passwd *found = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
            base = found->pw_dir;
    }
    return base.empty() ? std::string() : base + "/.config";
}

}  // namespace

RegistryFile registry_file(RegistryRoot root) {
    const char *override_dir = getenv("QORLDAP9_REGISTRY_DIR");
    if (override_dir && override_dir[0]) {
        mkdir(override_dir, 0700);
        return {std::string(override_dir) + "/" + file_name(root), 0600};
    }
    if (root == RegistryRoot::CurrentUser) {
        std::string config = user_config_folder();
        if (config.empty()) return {"", 0600};
        // Profiles hold sealed bind passwords: other users must not read them.
        mkdir(config.c_str(), 0700);
        std::string folder = config + "/qorldap9";
        mkdir(folder.c_str(), 0700);
        return {folder + "/" + file_name(root), 0600};
    }
    // Shared roots are readable by everyone and written by administrators;
    // an ordinary user fails to create the folder and then reads only.
    mkdir(kSharedFolder, 0755);
    return {std::string(kSharedFolder) + "/" + file_name(root), 0644};
}

}  // namespace qor::platform
