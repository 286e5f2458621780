#include "registry/registry_location.h"

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
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

// Returns the canonical form of an existing path, or empty.
std::string canonical(const std::string &path) {
    char *real = realpath(path.c_str(), nullptr);
    std::string text = real ? real : "";
    free(real);
    return text;
}

// Returns true when the folder at a canonical path is trusted as part and
// every folder above it as a folder above the store's.
bool chain_trusted(std::string folder, StorePart part) {
    while (true) {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !trusted_for_store(st, part)) return false;
        if (folder == "/") return true;
        size_t slash = folder.find_last_of('/');
        folder.resize(slash == 0 ? 1 : slash);
        part = StorePart::Above;
    }
}

// Creates folder with mode when it is missing and the folders above it are
// trusted. Returns its canonical path when it and every folder above it
// are trusted, else empty; created tells whether this call made it.
std::string trusted_folder(std::string folder, mode_t mode, StorePart part, bool *created = nullptr) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    size_t slash = folder.find_last_of('/');
    std::string above = canonical(slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash));
    if (above.empty() || !chain_trusted(above, StorePart::Above)) return "";
    bool made = mkdir(folder.c_str(), mode) == 0;
    if (created) *created = made;
    std::string real = canonical(folder);
    return !real.empty() && chain_trusted(real, part) ? real : "";
}

RegistryFile in_folder(const std::string &folder, RegistryRoot root, bool shared) {
    RegistryFile file{"", shared ? kSharedFileMode : kPrivateFileMode, shared};
    if (folder.empty()) return file;
    std::string path = folder + "/" + registry_file_name(root);
    struct stat st;
    // A link is never taken for the file (and the database opens without
    // following one).
    if (::lstat(path.c_str(), &st) == 0 &&
        (!S_ISREG(st.st_mode) || !trusted_for_store(st, shared ? StorePart::SharedStore : StorePart::PrivateStore)))
        return file;
    file.path = path;
    return file;
}

}  // namespace

RegistryFile registry_file(RegistryRoot root) {
    const bool shared = root != RegistryRoot::CurrentUser;
    const StorePart part = shared ? StorePart::SharedStore : StorePart::PrivateStore;
    const std::string folder = registry_folder(root);
    if (folder.empty()) return {"", kPrivateFileMode, false};
    const char *override_dir = registry_setting(kRegistryDirVariable);
    std::string real;
    if (override_dir && override_dir[0]) {
        real = trusted_folder(folder, kPrivateFolderMode, part);
    } else if (!shared) {
        // Profiles hold sealed bind passwords: other users must not read them.
        if (!trusted_folder(user_config_folder(), kPrivateFolderMode, part).empty())
            real = trusted_folder(folder, kPrivateFolderMode, part);
    } else {
        // Only root writes the shared roots; an ordinary user fails to
        // create the folder and then reads, when the group lets it.
        bool created = false;
        real = trusted_folder(folder, kSharedFolderMode, part, &created);
        int fd = created && !real.empty() ? ::open(real.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        if (fd >= 0) {
            give_to_shared_group(fd);
            ::close(fd);
        }
    }
    return in_folder(real, root, shared);
}

void give_to_shared_group(int fd) {
    gid_t gid;
    // A failure leaves it root's alone, which fails closed.
    if (geteuid() == 0 && shared_group(gid) && fchown(fd, 0, gid) != 0) return;
}

}  // namespace qor::registry
