// The section chain stage of the image reader: every section header in chain order, each
// checked with its name, relocation records and stored bytes. Internal to the image library.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bytes.h"
#include "image/program_image.h"

namespace quorix::image {

// A section as the chain holds it: the section and where its header and fields put it.
struct RawSection {
    uint32_t header_offset = 0, header_size = 0, next = 0, stored_size = 0, data_offset = 0;
    Section section;
};

// Reads the chain from the header at `first_section` to the one whose next offset is
// kNoOffset. Each header must follow the previous one's stored bytes, names must not repeat,
// and the chain holds at most kMaxSections.
Result<std::vector<RawSection>> ReadChain(ByteReader& in, uint32_t first_section);

}  // namespace quorix::image
