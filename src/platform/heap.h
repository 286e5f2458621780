// The process heap: zero-filled blocks and their release.
#pragma once

#include <stddef.h>

namespace qor::platform {

// A zero-filled block of size bytes, or null.
void *heap_alloc_zeroed(size_t size);
// Returns a block from heap_alloc_zeroed; null is ignored.
void heap_free(void *block);

// Tests only: let the next `successes` allocations succeed and fail the
// ones after them; a negative count lifts the limit.
void set_heap_alloc_limit_for_testing(long successes);

}  // namespace qor::platform
