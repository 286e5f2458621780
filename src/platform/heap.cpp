// The process heap with a test seam that makes allocations fail; the heap
// itself comes from the platform's backend.
#include "platform/heap.h"

#include <atomic>

#include "platform/heap_backend.h"

namespace qor::platform {
namespace {

std::atomic<long> g_allocations_left{-1};  // negative: no limit

bool allocation_allowed() {
    long left = g_allocations_left.load();
    while (left >= 0) {
        if (left == 0) return false;
        if (g_allocations_left.compare_exchange_weak(left, left - 1)) return true;
    }
    return true;
}

}  // namespace

void *heap_alloc_zeroed(size_t size) {
    if (!allocation_allowed()) return nullptr;
    return os_heap_alloc_zeroed(size == 0 ? 1 : size);
}

void heap_free(void *block) {
    if (block != nullptr) os_heap_free(block);
}

void set_heap_alloc_limit_for_testing(long successes) { g_allocations_left.store(successes); }

}  // namespace qor::platform
