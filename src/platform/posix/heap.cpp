#include <cstdlib>

#include "platform/heap_backend.h"

namespace qor::platform {

void *os_heap_alloc_zeroed(size_t size) { return std::calloc(1, size); }
void os_heap_free(void *block) { std::free(block); }

}  // namespace qor::platform
