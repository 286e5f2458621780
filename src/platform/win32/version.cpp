#include "platform/version_backend.h"

namespace qor::platform {

bool os_version(OSVERSIONINFOA *info) {
    // Deprecated in the SDK headers, yet the one call that answers on every
    // Windows this library runs on, Windows NT 4.0 included.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(info) != FALSE;
#pragma GCC diagnostic pop
}

}  // namespace qor::platform
