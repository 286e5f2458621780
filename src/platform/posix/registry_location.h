// Where the registry's three roots keep their databases on POSIX systems.
#pragma once

#include <sys/types.h>

#include <string>

namespace qor::platform {

enum class RegistryRoot { CurrentUser, LocalMachine, Users };

struct RegistryFile {
    std::string path;  // empty when no location could be formed
    mode_t mode;       // permissions for a database file created there
};

// The database file of a root. QORLDAP9_REGISTRY_DIR, when set, holds all
// three; otherwise the current user's root lives in the user's own config
// folder and the two shared roots under /var/lib/qorldap9. Creates the
// folder when it is missing and can be created; never creates the file.
RegistryFile registry_file(RegistryRoot root);

}  // namespace qor::platform
