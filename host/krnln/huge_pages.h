// Large buffers (a character picture's text, its conversions) ask for huge pages: on this kind
// of machine faulting in a fresh 4 KB page costs 10 to 15 microseconds, so a buffer of tens of
// megabytes faulted page by page costs a large part of the work that fills it. The advice
// covers the whole pages inside the buffer; the kernel backs them with huge pages where it can
// and with small pages otherwise. Nothing changes for the buffer's owner.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace quorix::host {

// Below this a buffer is not worth the call.
inline constexpr size_t kHugePageWorthy = size_t{4} << 20;

inline void AdviseHugePages(const void* start, size_t bytes) {
    if (bytes < kHugePageWorthy) return;
    constexpr uintptr_t kPage = 4096;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(start) + kPage - 1) & ~(kPage - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(kPage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace quorix::host
