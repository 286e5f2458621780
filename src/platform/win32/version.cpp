#include "platform/version.h"

#include <atomic>
#include <cstring>

namespace qor::platform {
namespace {

std::atomic<VersionQuery> g_query{nullptr};

bool system_version(OSVERSIONINFOA *info) {
    // Deprecated in the SDK headers, yet the one call that answers on every
    // Windows this library runs on, Windows NT 4.0 included.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(info) != FALSE;
#pragma GCC diagnostic pop
}

}  // namespace

bool get_version_ex(OSVERSIONINFOA *info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return false;
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = size;
    VersionQuery query = g_query.load();
    return query ? query(info) : system_version(info);
}

void set_version_query_for_testing(VersionQuery query) { g_query.store(query); }

}  // namespace qor::platform
