// The platform's version with its test seam; the query itself comes from
// the backend.
#include "platform/version.h"

#include <atomic>
#include <cstring>

#include "platform/version_backend.h"

namespace qor::platform {
namespace {

std::atomic<VersionQuery> g_query{nullptr};

}  // namespace

bool get_version_ex(OSVERSIONINFOA *info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return false;
    uint32_t size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = size;
    VersionQuery query = g_query.load();
    if (query) return query(info);
    // The running system does not change under a process: asked once, not
    // at every logon check.
    static OSVERSIONINFOA known;
    static const bool known_ok = [] {
        known.dwOSVersionInfoSize = sizeof known;
        return os_version(&known);
    }();
    if (!known_ok) return false;
    std::memcpy(info, &known, sizeof known);
    info->dwOSVersionInfoSize = size;
    return true;
}

void set_version_query_for_testing(VersionQuery query) { g_query.store(query); }

}  // namespace qor::platform
