// Counts calls of the C heap (malloc, calloc, realloc) in this process, so a benchmark can show
// that a path does not touch the host heap. Not for sanitizer builds.
#pragma once

#include <cstdint>

namespace quorix::bench {
uint64_t HeapAllocations();
}
