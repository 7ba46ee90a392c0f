// Malformed images for the reader: each case starts from a valid written image and damages
// one field, changing as little as it can.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <span>
#include <vector>

#include "image/program_image.h"
#include "image/tests/image_builder.h"

namespace quorix::image::testing {

struct Built {
    ProgramImage image;
    std::vector<uint8_t> bytes;
    uint32_t header(size_t i) const { return image.header_offsets[i]; }
    uint32_t data(size_t i) const { return image.data_offsets[i]; }
    // Offset of library table row n (0-based), counted back from the table's closing NUL.
    uint32_t row(size_t n) const {
        uint32_t at = header(kConst) - 1;
        for (size_t r = image.libraries.size(); r-- > n;) {
            const LibraryRow& l = image.libraries[r];
            at -= static_cast<uint32_t>(l.file_name.size() + l.identifier.size() + l.major.size() +
                                        l.minor.size() + l.description.size() + 4 + 1);
        }
        return at;
    }
    // Offset of the count of fix-up list l (0-based).
    uint32_t fixup_count(size_t l) const {
        uint32_t at = data(kReloc1);
        for (size_t i = 0; i < l; ++i) at += 4 + 4 * image.fixups.sites[i].size();
        return at;
    }
};

struct Defect {
    const char* name;
    std::function<void(Built&)> damage;
    const char* message;  // a distinctive piece of the error
    // Where the error points: the offset of the field at fault, in the damaged bytes.
    uint32_t (*offset)(const Built&);
};

void PrintTo(const Defect& d, std::ostream* os);

// Reads the damaged image and expects the defect's message at the defect's offset.
class MalformedImage : public ::testing::TestWithParam<Defect> {};

// The defects of the image header, the library table, the named header words and the entry
// (malformed_image_test.cpp), and of the section chain, the section headers, the relocations
// and the fix-up lists (malformed_section_test.cpp).
std::span<const Defect> ImageDefects();
std::span<const Defect> SectionDefects();

}  // namespace quorix::image::testing
