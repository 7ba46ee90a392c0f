#include "bench/heap_counter.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
}

namespace {
std::atomic<uint64_t> g_allocations{0};
}

// The executable's definitions take the place of the C library's for every library loaded.
extern "C" void* malloc(size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}

namespace quorix::bench {
uint64_t HeapAllocations() {
    return g_allocations.load(std::memory_order_relaxed);
}
}  // namespace quorix::bench
