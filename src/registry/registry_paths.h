// Where the registry's roots keep their database files on POSIX systems,
// without creating anything: shared by the registry, which opens the
// files, and the qorldap tool, which explains why one could not be used.
#pragma once

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace qor::registry {

enum class RegistryRoot { CurrentUser, LocalMachine, Users };

// The folder of the machine-wide roots, and the group whose members may
// read it (bind passwords are sealed with a key every copy of the library
// holds, so a readable store is a readable password).
constexpr const char *kSharedRegistryFolder = "/var/lib/qorldap9";
constexpr const char *kSharedRegistryGroup = "qorldap9";
// Names QORLDAP9_REGISTRY_DIR, the folder that then holds all three roots.
constexpr const char *kRegistryDirVariable = "QORLDAP9_REGISTRY_DIR";

// Returns the database file's name of a root within its folder.
inline const char *registry_file_name(RegistryRoot root) {
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

// Returns the value of an environment variable, or null in a
// secure-execution context, where the environment belongs to whoever
// started the program, not to the program.
inline const char *registry_setting(const char *name) { return secure_getenv(name); }

// Returns the user's config folder: $XDG_CONFIG_HOME when it is an absolute
// path (relative values are to be ignored), else ~/.config; empty when
// there is no home folder.
inline std::string user_config_folder() {
    const char *xdg = registry_setting("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char *home = registry_setting("HOME");
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

// Returns the folder holding a root's database (empty when none can be
// formed): QORLDAP9_REGISTRY_DIR when set, else the user's config folder
// for the current user's root and the shared folder for the others.
inline std::string registry_folder(RegistryRoot root) {
    const char *override_dir = registry_setting(kRegistryDirVariable);
    if (override_dir && override_dir[0]) return override_dir;
    if (root != RegistryRoot::CurrentUser) return kSharedRegistryFolder;
    std::string config = user_config_folder();
    return config.empty() ? config : config + "/qorldap9";
}

// Returns true when path exists and users other than its owner and group
// may write it: anyone could put profiles of their own there.
inline bool writable_by_others(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWOTH) != 0;
}

// What a folder or file is to a store.
enum class StorePart { Above, PrivateStore, SharedStore };

// Returns true when the folder or file st describes may hold a store, or
// lead to one. Whoever may change it could read the profiles saved there
// or put profiles of their own there, so it must be the effective user's
// or root's, and others may not write it: a folder above the store's only
// when sticky (others cannot then rename or delete what is not theirs), a
// shared root's folder and file not even its group.
inline bool trusted_for_store(const struct stat &st, StorePart part) {
    if (st.st_uid != geteuid() && st.st_uid != 0) return false;
    switch (part) {
        case StorePart::Above:
            return (st.st_mode & S_IWOTH) == 0 || (st.st_mode & S_ISVTX) != 0;
        case StorePart::PrivateStore:
            return (st.st_mode & S_IWOTH) == 0;
        case StorePart::SharedStore:
            return (st.st_mode & (S_IWOTH | S_IWGRP)) == 0;
    }
    return false;
}

}  // namespace qor::registry
