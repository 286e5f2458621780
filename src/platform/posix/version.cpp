#include <sys/utsname.h>

#include <cstdio>

#include "platform/version_backend.h"

namespace qor::platform {

bool os_version(OSVERSIONINFOA *info) {
    struct utsname names {};
    if (uname(&names) != 0) return false;
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = kPlatformPosix;
    std::snprintf(info->szCSDVersion, sizeof info->szCSDVersion, "%s", names.sysname);
    return true;
}

}  // namespace qor::platform
