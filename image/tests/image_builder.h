// Readable builders for test images: a ProgramImage is assembled from named parts, written, and
// single fields of the bytes are then patched to make one defect at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "image/program_image.h"

namespace quorix::image::testing {

// Section indexes in the images built here; @reloc1 comes last in header_offsets/data_offsets.
enum SectionIndex : size_t { kConst = 0, kForm, kHelp, kCode, kVar, kReloc1 };

// The six support libraries, descriptions in GBK.
std::vector<LibraryRow> SupportLibraries();

// Relocation counts per kind (entry table, const, var, code) and fix-up list lengths.
struct Shape {
    uint32_t form_size = 40;
    uint32_t code_size = 96;
    std::array<uint32_t, 4> relocations_per_kind = {1, 1, 1, 1};
    std::array<uint32_t, 4> fixup_counts = {3, 0, 2, 2};
    int32_t stated_size_delta = 0;  // added to the lists' true size for @reloc1's stated size
};

// An image with the six libraries, a 110-byte const, a form, a 52-byte help, a code section whose
// relocations are spread over it with the kinds interleaved, a 28-byte var with nothing stored,
// and fix-up lists. Its entry offset is the first byte of the code data.
ProgramImage BuildImage(const Shape& shape = {});

// Writes an image that must be valid; fails the current test otherwise.
std::vector<uint8_t> WriteValid(ProgramImage& image);

void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
uint32_t ReadU32At(const std::vector<uint8_t>& bytes, size_t offset);

}  // namespace quorix::image::testing
