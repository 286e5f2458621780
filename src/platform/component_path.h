// Where the library finds its outside components (the registry store
// component, the security provider): in its private folder, or beside it.
#pragma once

#include <string>

namespace qor::platform {

// Full path of a component library file, such as "libqorregstore.so".
// Looks in the "qorldap9" folder below the folder of the module holding
// the library's code (where it is installed), in that folder itself (a
// build tree), then in "../lib" from there (a program linked statically
// in a build tree).
// Returns the first existing path, or the first candidate when none exists.
std::string component_path(const char *file_name);

// Tests only: look in this folder alone (null restores the search).
void set_component_dir_for_testing(const char *dir);

}  // namespace qor::platform
