#include "store_problem.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "qorldap9.h"
#include "registry/registry_paths.h"

namespace qorldap {
namespace {

using qor::registry::RegistryRoot;

RegistryRoot root_of(int location) {
    switch (location) {
        case LDC_LOC_MACHINE_COMMON:
            return RegistryRoot::LocalMachine;
        case LDC_LOC_NAMED_USER:
            return RegistryRoot::Users;
        default:
            return RegistryRoot::CurrentUser;
    }
}

bool damaged_code(int rc) { return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB; }

// The store's own check of a database it opens, run on a read-only
// connection so that nothing in the file changes.
bool fails_integrity_check(const std::string &path) {
    sqlite3 *db = nullptr;
    bool damaged = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr) == SQLITE_OK) {
        sqlite3_stmt *check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) != SQLITE_OK) {
            damaged = damaged_code(sqlite3_extended_errcode(db));
        } else {
            int step = sqlite3_step(check);
            auto *text = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
            damaged = step == SQLITE_ROW ? text == nullptr || strcmp(text, "ok") != 0 : damaged_code(step);
        }
        sqlite3_finalize(check);
    }
    sqlite3_close_v2(db);
    return damaged;
}

std::string denied(const std::string &path, bool writing, bool shared) {
    std::string out = "permission denied " + std::string(writing ? "writing " : "reading ") + path;
    if (!shared) return out;
    return out + (writing
                      ? " (only root writes the machine-wide profiles)"
                      : " (members of the group " + std::string(qor::registry::kSharedRegistryGroup) + " may read it)");
}

std::string others_may_write(const std::string &path) {
    return path + " is writable by others, so the store will not use it (chmod o-w " + path + ")";
}

}  // namespace

std::optional<std::string> store_problem(int location, bool writing) {
    const RegistryRoot root = root_of(location);
    const bool shared = root != RegistryRoot::CurrentUser;
    const std::string folder = qor::registry::registry_folder(root);
    if (folder.empty()) return "there is no folder for the profile store: neither HOME nor XDG_CONFIG_HOME is set";
    const std::string path = folder + "/" + qor::registry::registry_file_name(root);
    if (qor::registry::writable_by_others(folder)) return others_may_write(folder);
    if (qor::registry::writable_by_others(path)) return others_may_write(path);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == EACCES) return denied(path, writing, shared);
        if (writing && access(folder.c_str(), W_OK) != 0 && errno == EACCES) return denied(folder, true, shared);
        return std::nullopt;
    }
    if (access(path.c_str(), writing ? R_OK | W_OK : R_OK) != 0 && errno == EACCES)
        return denied(path, writing, shared);
    if (fails_integrity_check(path)) return "the store " + path + " failed its integrity check and is kept untouched";
    return std::nullopt;
}

}  // namespace qorldap
