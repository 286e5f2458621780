// What each platform supplies to src/platform/heap.cpp: the heap itself.
#pragma once

#include <stddef.h>

namespace qor::platform {

void *os_heap_alloc_zeroed(size_t size);  // size is never 0
void os_heap_free(void *block);           // block is never null

}  // namespace qor::platform
