// Rules on section fields that the writer and the reader both enforce.
#pragma once

#include <cstdint>
#include <string_view>

#include "image/program_image.h"

namespace quorix::image {

// The header size 56 + 4 × count must fit in its u32.
inline constexpr uint64_t kMaxRelocations = (0xFFFFFFFFull - layout::kSectionHeaderSize) / 4;
inline constexpr uint32_t kMaxRelocationKind = 3;
inline constexpr uint32_t kMaxRelocationSite = 0xFFFFFFFFu >> 3;  // what (site << 3) can hold

// Whether the 32-bit word at `site` lies wholly inside `size` bytes.
inline bool WordFits(uint64_t site, uint64_t size) {
    return site + 4 <= size;
}

// A name is 1 to 23 bytes of printable ASCII, so that it fits NUL-padded in 24 bytes.
inline bool IsNameByte(uint8_t c) {
    return c > 0x20 && c < 0x7F;
}
inline bool IsValidSectionName(std::string_view name) {
    if (name.empty() || name.size() >= layout::kSectionNameSize) return false;
    for (char c : name) {
        if (!IsNameByte(static_cast<uint8_t>(c))) return false;
    }
    return true;
}

}  // namespace quorix::image
