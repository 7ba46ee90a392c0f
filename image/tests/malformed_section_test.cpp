// Defects of the section chain, the section headers and names, the relocation records, the
// stored bytes, @reloc1 and the fix-up lists.
#include <algorithm>
#include <string>

#include "image/tests/malformed_image.h"

namespace quorix::image::testing {
namespace {

using namespace layout::section_field;
using layout::kFirstSectionWord;

const Defect kSectionDefects[] = {
    {"SectionHeaderPastEnd", [](Built& b) { b.bytes.resize(b.header(kHelp) + 20); },
     "section header at 0x2cf needs 0x38 bytes, past the end",
     [](const Built& b) -> uint32_t { return b.header(kHelp); }},
    {"ChainLoopsBack",
     [](Built& b) { PatchU32(b.bytes, b.header(kCode) + kNext, b.header(kConst)); },
     "is not 0x3e3, right after its stored bytes",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kNext; }},
    {"ChainPointsOutsideImage",
     [](Built& b) {
         PatchU32(b.bytes, b.header(kReloc1) + kNext, static_cast<uint32_t>(b.bytes.size()) + 64);
     },
     "next section header offset 0x4bf of section \"@reloc1\" at 0x41f is past the end",
     [](const Built& b) -> uint32_t { return b.header(kReloc1) + kNext; }},
    {"ChainLongerThan32Sections",
     [](Built& b) {
         // 31 sections and @reloc1 are the most a chain holds. Pointing @reloc1's next at the
         // byte after its (short) stated size makes a 33rd header appear inside the image.
         b.image = BuildImage(Shape{.stated_size_delta = -8});
         for (int n = 0; n < 26; ++n) {
             b.image.sections.push_back(b.image.sections[kHelp]);
             b.image.sections.back().name = "extra" + std::to_string(n);
         }
         b.bytes = WriteValid(b.image);
         const uint32_t fix = b.image.header_offsets.back();
         PatchU32(b.bytes, fix + kNext,
                  b.image.data_offsets.back() + ReadU32At(b.bytes, fix + kStoredSize));
     },
     "section chain from 0x1c9 has more than 32 sections",
     [](const Built& b) -> uint32_t {
         return b.data(b.image.data_offsets.size() - 1) +
                ReadU32At(b.bytes, b.image.header_offsets.back() + kStoredSize);
     }},
    {"ChainEndsWithoutReloc1",
     [](Built& b) { PatchU32(b.bytes, b.header(kVar) + kNext, 0xFFFFFFFF); },
     "section chain has no \"@reloc1\" section",
     [](const Built&) -> uint32_t { return kFirstSectionWord; }},
    {"HeaderSizeNotFixedPlusFourPerRelocation",
     [](Built& b) { PatchU32(b.bytes, b.header(kCode) + kHeaderSize, kRecords + 4 * 5); },
     "header size 0x4c of section \"code\" at 0x33b is not 56 + 4 x relocation count 0x4",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kHeaderSize; }},
    {"RelocationCountOverflowsHeaderSize",
     [](Built& b) {
         // 56 + 4 x 0x40000001 wraps to 60 in 32 bits.
         PatchU32(b.bytes, b.header(kCode) + kHeaderSize, 60);
         PatchU32(b.bytes, b.header(kCode) + kRelocationCount, 0x40000001);
     },
     "relocation count 0x40000001 of section \"code\" at 0x36b overflows",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRelocationCount; }},
    {"RelocationRecordsPastEnd",
     [](Built& b) {
         PatchU32(b.bytes, b.header(kCode) + kHeaderSize, kRecords + 4 * 0x1000000);
         PatchU32(b.bytes, b.header(kCode) + kRelocationCount, 0x1000000);
     },
     "relocation count 0x1000000 at 0x36b needs 0x4000000 bytes, past the end of the image",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRelocationCount; }},
    {"RelocationKind4",
     [](Built& b) {
         const uint32_t at = b.header(kCode) + kRecords;
         PatchU32(b.bytes, at, (ReadU32At(b.bytes, at) & ~7u) | 4);
     },
     "has kind 4; only 0 to 3 exist",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRecords; }},
    {"RelocationsUnsorted",
     [](Built& b) {
         const uint32_t at = b.header(kCode) + kRecords;
         const uint32_t first = ReadU32At(b.bytes, at), second = ReadU32At(b.bytes, at + 4);
         PatchU32(b.bytes, at, second);
         PatchU32(b.bytes, at + 4, first);
     },
     "relocation 1 of section \"code\" at 0x377 has site 0x0, not above the previous site 0x17",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRecords + 4; }},
    {"RelocationSiteRepeated",
     [](Built& b) {
         const uint32_t at = b.header(kCode) + kRecords;
         PatchU32(b.bytes, at + 4, ReadU32At(b.bytes, at));
     },
     "not above the previous site 0x0",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRecords + 4; }},
    {"RelocationSiteOutsideCode",
     [](Built& b) {
         const uint32_t at = b.header(kCode) + kRecords + 12;  // the last record
         PatchU32(b.bytes, at, ((96u - 3) << 3) | (ReadU32At(b.bytes, at) & 7));
     },
     "has site 0x5d, whose word ends past the stored size 0x60",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kRecords + 12; }},
    {"NonZeroReservedSectionWord",
     [](Built& b) { PatchU32(b.bytes, b.header(kForm) + kReserved, 9); },
     "reserved word of section header at 0x26f is 0x9",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kReserved; }},
    {"SectionNameNotAscii", [](Built& b) { b.bytes[b.header(kForm) + kName + 1] = 0x80; },
     "has byte 0x80 at 0x27c, not printable ASCII",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kName + 1; }},
    {"SectionNameWithoutNul",
     [](Built& b) { std::fill_n(b.bytes.begin() + b.header(kForm) + kName, 24, 'f'); },
     "fills all 24 bytes with no NUL",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kName; }},
    {"SectionNameEmpty", [](Built& b) { b.bytes[b.header(kForm) + kName] = 0; },
     "section header at 0x26f has an empty name",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kName; }},
    {"SectionNamePaddedWithJunk", [](Built& b) { b.bytes[b.header(kForm) + kName + 20] = 'z'; },
     "has byte 0x7a after its NUL",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kName + 20; }},
    {"SectionNameRepeated",
     [](Built& b) { std::copy_n("const", 6, b.bytes.begin() + b.header(kForm) + kName); },
     "section name \"const\" at 0x26f repeats the section at 0x1c9",
     [](const Built& b) -> uint32_t { return b.header(kForm) + kName; }},
    {"DataOffsetNotRightAfterHeader",
     [](Built& b) { PatchU32(b.bytes, b.header(kConst) + kDataOffset, b.data(kConst) + 1); },
     "data offset 0x202 of section \"const\" at 0x1c9 is not 0x201",
     [](const Built& b) -> uint32_t { return b.header(kConst) + kDataOffset; }},
    {"UnstoredSectionWithStoredSize",
     [](Built& b) { PatchU32(b.bytes, b.header(kVar) + kStoredSize, 4); },
     "section \"var\" at 0x3e3 stores 0x4 bytes but its data offset is 0xFFFFFFFF",
     [](const Built& b) -> uint32_t { return b.header(kVar) + kStoredSize; }},
    {"StoredBytesPastEnd",
     [](Built& b) {
         PatchU32(b.bytes, b.header(kCode) + kStoredSize, 0x7FFFFFFF);
         PatchU32(b.bytes, b.header(kCode) + kMemorySize, 0x7FFFFFFF);
     },
     "stored size 0x7fffffff at 0x363 needs 0x7fffffff bytes, past the end of the image",
     [](const Built& b) -> uint32_t { return b.header(kCode) + kStoredSize; }},
    {"StoredSizeAboveMemorySize",
     [](Built& b) { PatchU32(b.bytes, b.header(kConst) + kMemorySize, 100); },
     "stored size 0x6e of section \"const\" at 0x1c9 exceeds its memory size 0x64",
     [](const Built& b) -> uint32_t { return b.header(kConst) + kStoredSize; }},
    {"Reloc1WithRelocations",
     [](Built& b) {
         PatchU32(b.bytes, b.header(kReloc1) + kHeaderSize, 60);
         PatchU32(b.bytes, b.header(kReloc1) + kRelocationCount, 1);
         PatchU32(b.bytes, b.header(kReloc1) + kDataOffset, b.data(kReloc1) + 4);
         PatchU32(b.bytes, b.header(kReloc1) + kMemorySize, 0x18);
         PatchU32(b.bytes, b.header(kReloc1) + kStoredSize, 0x18);
     },
     "\"@reloc1\" at 0x41b is not a stored section with flags 1",
     [](const Built& b) -> uint32_t { return b.header(kReloc1); }},
    {"FixupListCountPastEnd", [](Built& b) { PatchU32(b.bytes, b.fixup_count(3), 0x40000000); },
     "fix-up list 4 count 0x40000000 at 0x473 needs 0x100000000 bytes, past the end of the "
     "image of size 0x47f",
     [](const Built& b) -> uint32_t { return b.fixup_count(3); }},
    {"FixupListCountWordPastEnd",
     [](Built& b) {
         // @reloc1 states only lists 1 and 2, so its stored bytes stay inside the cut image
         // and the count of list 3 is the first thing read past the end.
         b.image = BuildImage(Shape{.stated_size_delta = -24});
         b.bytes = WriteValid(b.image);
         b.bytes.resize(b.fixup_count(2) + 2);
     },
     "fix-up list 3 count at 0x467 needs 0x4 bytes, past the end",
     [](const Built& b) -> uint32_t { return b.fixup_count(2); }},
    {"FixupSiteOutsideCode", [](Built& b) { PatchU32(b.bytes, b.fixup_count(0) + 4, 93); },
     "fix-up list 1 site 0 (0x5d) at 0x457: its word ends past the code's stored size 0x60",
     [](const Built& b) -> uint32_t { return b.fixup_count(0) + 4; }},
    {"FixupStatedSizeBeyondLists",
     [](Built& b) {
         b.bytes.insert(b.bytes.end(), 4, 0);
         const uint32_t stated = ReadU32At(b.bytes, b.header(kReloc1) + kStoredSize) + 4;
         PatchU32(b.bytes, b.header(kReloc1) + kStoredSize, stated);
         PatchU32(b.bytes, b.header(kReloc1) + kMemorySize, stated);
     },
     "fix-up lists end at 0x47f, before the stated end 0x483 of \"@reloc1\"",
     [](const Built& b) -> uint32_t { return b.header(kReloc1) + kStoredSize; }},
};

}  // namespace

std::span<const Defect> SectionDefects() {
    return kSectionDefects;
}

namespace {

INSTANTIATE_TEST_SUITE_P(SectionDefects, MalformedImage, ::testing::ValuesIn(SectionDefects()),
                         [](const ::testing::TestParamInfo<Defect>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quorix::image::testing
