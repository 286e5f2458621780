#include <windows.h>

#include "platform/heap_backend.h"

namespace qor::platform {

void *os_heap_alloc_zeroed(size_t size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }
void os_heap_free(void *block) { HeapFree(GetProcessHeap(), 0, block); }

}  // namespace qor::platform
