// Rules on section fields that the writer and the reader both enforce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The three rules every relocation obeys: its kind is one of the four, its site is above the
// previous relocation's, and the word at its site fits (in 29 bits and inside the stored bytes).
// The writer checks a section before writing it and the reader each record as it reads it, so
// the two refuse the same relocations with the same messages.
//
// `index` counts the section's relocations; `previous_site` is that of relocation index - 1.
// `record_at` is the record's offset in an image being read: the message names it and the error
// is placed there. A section being written has no record yet; its error is placed at
// `header_offset`.
Result<void> CheckRelocation(std::string_view section, size_t index, uint32_t kind, uint64_t site,
                             std::optional<uint32_t> previous_site, uint64_t stored_size,
                             std::optional<size_t> record_at, size_t header_offset);

// The rule every fix-up site obeys: the word at the site lies inside the code's stored bytes.
// `list` counts from 1, `index` from 0 within the list. `at`, the site's offset in an image being
// read, is named in the message and the error placed there; a site being written has none, and
// its error is placed at 0.
Result<void> CheckFixupSite(size_t list, size_t index, uint32_t site, uint64_t code_size,
                            std::optional<size_t> at);

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
