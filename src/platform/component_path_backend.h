// What each platform supplies to src/platform/component_path.cpp: where
// the library's code lives, whether a file exists, how paths are joined.
#pragma once

#include <string>

namespace qor::platform {

// The path separator of the platform.
extern const char kOsPathSeparator;
// The folder of the module holding the library's code (the shared library,
// or a program that linked the code statically); "." when unknown.
std::string os_own_folder();
bool os_file_exists(const std::string &path);

}  // namespace qor::platform
