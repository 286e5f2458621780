// The platform's version, in the shape of GetVersionExA.
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#else

// Same layout as Windows' OSVERSIONINFOA: 148 bytes.
typedef struct _OSVERSIONINFOA {
    uint32_t dwOSVersionInfoSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
} OSVERSIONINFOA;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
#endif

namespace qor::platform {

// Platform identifier reported by the POSIX backend, so that a kernel
// numbered 4.0 is never taken for Windows NT 4.0.
constexpr uint32_t kPlatformPosix = 0x100;

// Fills info, whose dwOSVersionInfoSize the caller sets to
// sizeof(OSVERSIONINFOA). Returns false when the size is too small or the
// query fails.
bool get_version_ex(OSVERSIONINFOA *info);

// Tests only: answer with this routine instead of the platform's
// (null restores the platform's).
using VersionQuery = bool (*)(OSVERSIONINFOA *info);
void set_version_query_for_testing(VersionQuery query);

}  // namespace qor::platform
