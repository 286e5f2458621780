#include "registry/registry_location.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::registry {
namespace {

constexpr const char *kSharedFolder = "/var/lib/qorldap9";
// Bind passwords are sealed with a key every copy of the library holds, so
// a readable store is a readable password: the shared roots are for root
// (who writes them) and the members of this group (programs that check
// passwords through machine profiles), nobody else.
constexpr const char *kSharedGroup = "qorldap9";
constexpr mode_t kSharedFolderMode = 0750;
constexpr mode_t kSharedFileMode = 0640;
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;

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

// In a secure-execution context the environment belongs to whoever started
// the program, not to the program: secure_getenv answers null there.
const char *setting(const char *name) { return secure_getenv(name); }

// The user's config folder: $XDG_CONFIG_HOME when it is an absolute path
// (relative values are to be ignored), else ~/.config.
std::string user_config_folder() {
    const char *xdg = setting("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char *home = setting("HOME");
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

bool shared_group(gid_t &gid) {
    struct group gr {};
    struct group *found = nullptr;
    char buffer[4096];
    if (getgrnam_r(kSharedGroup, &gr, buffer, sizeof buffer, &found) != 0 || found == nullptr) return false;
    gid = found->gr_gid;
    return true;
}

// True when path does not exist, or exists and is not writable by others.
bool others_cannot_write(const std::string &path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return true;
    return (st.st_mode & S_IWOTH) == 0;
}

RegistryFile in_folder(const std::string &folder, RegistryRoot root, bool shared) {
    std::string path = folder + "/" + file_name(root);
    RegistryFile file{path, shared ? kSharedFileMode : kPrivateFileMode, shared};
    if (!others_cannot_write(folder) || !others_cannot_write(path)) file.path.clear();
    return file;
}

}  // namespace

RegistryFile registry_file(RegistryRoot root) {
    const bool shared = root != RegistryRoot::CurrentUser;
    const char *override_dir = setting("QORLDAP9_REGISTRY_DIR");
    if (override_dir && override_dir[0]) {
        mkdir(override_dir, kPrivateFolderMode);
        return in_folder(override_dir, root, shared);
    }
    if (!shared) {
        std::string config = user_config_folder();
        if (config.empty()) return {"", kPrivateFileMode, false};
        // Profiles hold sealed bind passwords: other users must not read them.
        mkdir(config.c_str(), kPrivateFolderMode);
        std::string folder = config + "/qorldap9";
        mkdir(folder.c_str(), kPrivateFolderMode);
        return in_folder(folder, root, false);
    }
    // Only root writes the shared roots; an ordinary user fails to create
    // the folder and then reads, when the group lets it.
    if (mkdir(kSharedFolder, kSharedFolderMode) == 0) {
        int fd = ::open(kSharedFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            give_to_shared_group(fd);
            ::close(fd);
        }
    }
    return in_folder(kSharedFolder, root, true);
}

void give_to_shared_group(int fd) {
    gid_t gid;
    // A failure leaves it root's alone, which fails closed.
    if (geteuid() == 0 && shared_group(gid) && fchown(fd, 0, gid) != 0) return;
}

}  // namespace qor::registry
