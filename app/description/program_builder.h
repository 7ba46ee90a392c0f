// Builds the program's image: library table, constants, window description, the code
// section with its routine records, references, operands and service stubs, the global
// variables and the fix-up lists.
#pragma once

#include <map>
#include <vector>

#include "app/program_layout.h"
#include "image/program_image.h"

namespace quorix::app {

struct CodeSection {
    std::vector<uint8_t> bytes;
    std::vector<image::Relocation> relocations;
    image::FixupLists fixups;
    std::map<uint32_t, uint32_t> routine_offsets;  // routine id -> offset of its record
};

std::vector<uint8_t> BuildConstSection();
CodeSection BuildCodeSection();
image::Result<image::ProgramImage> BuildProgramImage();

}  // namespace quorix::app
