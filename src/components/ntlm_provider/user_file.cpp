#include "user_file.h"

#include <stdlib.h>
#include <unistd.h>

namespace qorsspi {

std::string user_file_path() {
    // secure_getenv: a set-user-ID program must not be pointed at another file.
    const char *configured = secure_getenv("QORSSPI_USER_FILE");
    if (configured != nullptr && *configured != '\0') return configured;
    if (access(QORSSPI_DEFAULT_USER_FILE, F_OK) == 0) return QORSSPI_DEFAULT_USER_FILE;
    return "";
}

}  // namespace qorsspi
