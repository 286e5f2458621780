#include "platform/test_seams.h"

#include "platform/component_path.h"
#include "platform/crypto.h"
#include "platform/heap.h"
#include "platform/version.h"

namespace qor::platform {

void reset_seams_for_testing() {
    set_heap_alloc_limit_for_testing(-1);
    set_crypt_faults_for_testing(CryptFaults{});
    set_version_query_for_testing(nullptr);
    set_component_dir_for_testing(nullptr);
}

}  // namespace qor::platform
