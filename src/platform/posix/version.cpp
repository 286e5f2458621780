#include "platform/version.h"

#include <sys/utsname.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace qor::platform {
namespace {

std::atomic<VersionQuery> g_query{nullptr};

bool uname_version(OSVERSIONINFOA *info) {
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

}  // namespace

bool get_version_ex(OSVERSIONINFOA *info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return false;
    uint32_t size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = size;
    VersionQuery query = g_query.load();
    if (query) return query(info);
    // The running kernel does not change under a process: asked once, not
    // at every logon check.
    static OSVERSIONINFOA known;
    static const bool known_ok = [] {
        known.dwOSVersionInfoSize = sizeof known;
        return uname_version(&known);
    }();
    if (!known_ok) return false;
    std::memcpy(info, &known, sizeof known);
    info->dwOSVersionInfoSize = size;
    return true;
}

void set_version_query_for_testing(VersionQuery query) { g_query.store(query); }

}  // namespace qor::platform
