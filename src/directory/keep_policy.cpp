#include "directory/keep_policy.h"

#include <cstdlib>
#include <cstring>

namespace qor {

KeepPolicy keep_policy_from_environment() {
    KeepPolicy policy;
    const char *value = std::getenv("QORLDAP9_KEEP_CONNECTIONS");
    policy.enabled = value == nullptr || std::strcmp(value, "0") != 0;
    return policy;
}

}  // namespace qor
