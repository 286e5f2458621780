#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);

namespace {
std::atomic<size_t> g_count{0};
}

namespace qorbench {
size_t allocations() { return g_count.load(std::memory_order_relaxed); }
}  // namespace qorbench

// Interposes the C allocator so that allocations inside the library are
// counted as well as the program's own.
extern "C" void *malloc(size_t n) {
    g_count.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void *calloc(size_t a, size_t b) {
    g_count.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(a, b);
}
extern "C" void *realloc(void *p, size_t n) {
    g_count.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
