#include "registry/registry_location.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::registry {
namespace {

constexpr mode_t kSharedFolderMode = 0750;
constexpr mode_t kSharedFileMode = 0640;
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;

bool shared_group(gid_t &gid) {
    struct group gr {};
    struct group *found = nullptr;
    char buffer[4096];
    if (getgrnam_r(kSharedRegistryGroup, &gr, buffer, sizeof buffer, &found) != 0 || found == nullptr) return false;
    gid = found->gr_gid;
    return true;
}

RegistryFile in_folder(const std::string &folder, RegistryRoot root, bool shared) {
    std::string path = folder + "/" + registry_file_name(root);
    RegistryFile file{path, shared ? kSharedFileMode : kPrivateFileMode, shared};
    if (writable_by_others(folder) || writable_by_others(path)) file.path.clear();
    return file;
}

}  // namespace

RegistryFile registry_file(RegistryRoot root) {
    const bool shared = root != RegistryRoot::CurrentUser;
    const std::string folder = registry_folder(root);
    if (folder.empty()) return {"", kPrivateFileMode, false};
    const char *override_dir = registry_setting(kRegistryDirVariable);
    if (override_dir && override_dir[0]) {
        mkdir(folder.c_str(), kPrivateFolderMode);
    } else if (!shared) {
        // Profiles hold sealed bind passwords: other users must not read them.
        mkdir(user_config_folder().c_str(), kPrivateFolderMode);
        mkdir(folder.c_str(), kPrivateFolderMode);
    } else if (mkdir(folder.c_str(), kSharedFolderMode) == 0) {
        // Only root writes the shared roots; an ordinary user fails to
        // create the folder and then reads, when the group lets it.
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            give_to_shared_group(fd);
            ::close(fd);
        }
    }
    return in_folder(folder, root, shared);
}

void give_to_shared_group(int fd) {
    gid_t gid;
    // A failure leaves it root's alone, which fails closed.
    if (geteuid() == 0 && shared_group(gid) && fchown(fd, 0, gid) != 0) return;
}

}  // namespace qor::registry
