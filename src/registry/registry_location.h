// Where the registry's three roots keep their databases on POSIX systems.
#pragma once

#include <sys/types.h>

#include <string>

#include "registry/registry_paths.h"

namespace qor::registry {

struct RegistryFile {
    std::string path;  // empty when no usable location could be formed
    mode_t mode;       // permissions for a database file created there
    bool shared;       // a machine-wide root: created for root and the qorldap9 group
};

// The database file of a root. QORLDAP9_REGISTRY_DIR, when set, holds all
// three; otherwise the current user's root lives in the user's own config
// folder and the two shared roots under /var/lib/qorldap9. In a
// secure-execution context (set-user-ID, set-group-ID, capabilities) no
// environment variable is consulted. Creates the folder when it is missing
// and can be created; never creates the file. Refused (empty path), since
// whoever may change them could read the profiles saved there or put
// profiles of their own there: a folder or an existing file that is not
// the effective user's or root's, or that others may write; a shared
// root's folder or file that its group may write; an existing file that
// is not a regular file; a folder above the store's that is not the
// effective user's or root's, or that others may write without its sticky
// bit. The path given is the folder's canonical one.
RegistryFile registry_file(RegistryRoot root);

// Gives a shared root's newly created folder or database file (open as fd)
// to root and the qorldap9 group, when the process runs as root and the
// group exists; otherwise it stays the creator's.
void give_to_shared_group(int fd);

}  // namespace qor::registry
