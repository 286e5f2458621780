// Loading and unloading the outside libraries the library reaches at run
// time by their Windows file names, and looking up their entry points.
#pragma once

namespace qor::platform {

// An opaque module handle; null means none.
using Module = void *;

// Loads the library known by a Windows file name ("secur32.dll",
// "security.dll"); null when the name is unknown or loading fails.
Module load_library(const char *name);
// The address of an exported symbol, or null.
void *get_proc_address(Module module, const char *symbol);
// Drops this reference to the module; null is ignored.
void free_library(Module module);

}  // namespace qor::platform
