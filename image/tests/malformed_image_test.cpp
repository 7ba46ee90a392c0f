// One malformed field per case, each refused with its own message. Every case starts from a valid
// written image and changes as little as it can.
#include <gtest/gtest.h>

#include <functional>

#include "image/program_image.h"
#include "image/tests/image_builder.h"

namespace quorix::image::testing {
namespace {

using namespace layout::section_field;
using layout::kEntryWord;
using layout::kFirstSectionCopyWord;
using layout::kFirstSectionWord;
using layout::kLibraryTable;
using layout::NamedHeaderWord;

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
    const char* message;  // a distinctive part of the error
    // Where the error points: the offset of the field at fault, in the damaged bytes.
    uint32_t (*offset)(const Built&);
};

void PrintTo(const Defect& d, std::ostream* os) {
    *os << d.name;
}

const Defect kDefects[] = {
    {"TruncatedHeader", [](Built& b) { b.bytes.resize(layout::kHeaderSize - 1); },
     "image of size 0x57 is shorter than its 0x58-byte header",
     [](const Built&) -> uint32_t { return 0; }},
    {"BadMagic", [](Built& b) { b.bytes[1] = 'K'; }, "magic at 0x0 is 57 4b 00 00",
     [](const Built&) -> uint32_t { return 0; }},
    {"NonZeroReservedHeaderByte", [](Built& b) { b.bytes[0x10] = 7; },
     "reserved header byte at 0x10 is 0x07", [](const Built&) -> uint32_t { return 0x10; }},
    {"NonZeroReservedHeaderWord", [](Built& b) { PatchU32(b.bytes, layout::kZeroWord38, 1); },
     "reserved header word at 0x38", [](const Built&) -> uint32_t { return layout::kZeroWord38; }},
    {"LibraryTableUnterminated", [](Built& b) { b.bytes.resize(0x60); },
     "library table row 0 at 0x58 has no NUL before the end of the image of size 0x60",
     [](const Built&) -> uint32_t { return kLibraryTable; }},
    {"LibraryRowWithFourFields", [](Built& b) { b.bytes[kLibraryTable + 5] = 'x'; },
     "library table row 0 at 0x58 has 4 fields, not 5",
     [](const Built&) -> uint32_t { return kLibraryTable; }},
    {"LibraryRowWithSixFields", [](Built& b) { b.bytes[kLibraryTable + 1] = '\r'; },
     "library table row 0 at 0x58 has 6 fields, not 5",
     [](const Built&) -> uint32_t { return kLibraryTable; }},
    {"LibraryTableWithMoreThan64Rows",
     [](Built& b) {
         // 59 more rows make 65; what follows no longer lines up, but the row limit comes first.
         const std::string row = "a\rb\rc\rd\re";
         for (int i = 0; i < 59; ++i) {
             b.bytes.insert(b.bytes.begin() + kLibraryTable, row.c_str(),
                            row.c_str() + row.size() + 1);
         }
     },
     "library table at 0x58 has more than 64 rows",
     [](const Built& b) -> uint32_t { return b.row(5) + 59 * 10; }},
    {"FirstSectionNotRightAfterLibraryTable",
     [](Built& b) { PatchU32(b.bytes, kFirstSectionWord, b.header(kConst) + 1); },
     "first section header offset 0x1ca at 0x24 is not 0x1c9",
     [](const Built&) -> uint32_t { return kFirstSectionWord; }},
    {"WordAt54DiffersFromFirstSection",
     [](Built& b) { PatchU32(b.bytes, kFirstSectionCopyWord, 0x26F); },
     "word at 0x54 (0x26f) differs",
     [](const Built&) -> uint32_t { return kFirstSectionCopyWord; }},
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
    {"HelpWordNamesCodeHeader",
     [](Built& b) { PatchU32(b.bytes, NamedHeaderWord(kHelp), b.header(kCode)); },
     "word at 0x48 names the section header at 0x33b called \"code\", not \"help\"",
     [](const Built&) -> uint32_t { return NamedHeaderWord(kHelp); }},
    {"HelpWordNamesNoHeader",
     [](Built& b) { PatchU32(b.bytes, NamedHeaderWord(kHelp), b.header(kHelp) + 1); },
     "word at 0x48 (0x2d0) is not the offset of a section header",
     [](const Built&) -> uint32_t { return NamedHeaderWord(kHelp); }},
    {"EntryOffsetPastCode", [](Built& b) { PatchU32(b.bytes, kEntryWord, b.data(kCode) + 96); },
     "entry offset 0x3e3 at 0x3C is outside the stored bytes of section \"code\"",
     [](const Built&) -> uint32_t { return kEntryWord; }},
    {"EntryOffsetBeforeCode", [](Built& b) { PatchU32(b.bytes, kEntryWord, b.data(kCode) - 1); },
     "entry offset 0x382 at 0x3C is outside", [](const Built&) -> uint32_t { return kEntryWord; }},
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

class MalformedImage : public ::testing::TestWithParam<Defect> {};

TEST_P(MalformedImage, IsRefusedWithItsOwnMessage) {
    Built built;
    built.image = BuildImage();
    built.bytes = WriteValid(built.image);
    ASSERT_TRUE(ReadImage(built.bytes).ok());

    GetParam().damage(built);
    Result<ProgramImage> read = ReadImage(built.bytes);
    ASSERT_FALSE(read.ok()) << "accepted an image with defect " << GetParam().name;
    EXPECT_NE(read.error().message.find(GetParam().message), std::string::npos)
        << "expected \"" << GetParam().message << "\" in \"" << read.error().message << "\"";
    EXPECT_EQ(read.error().offset, GetParam().offset(built))
        << std::hex << "error at 0x" << read.error().offset << ": " << read.error().message;
}

INSTANTIATE_TEST_SUITE_P(Defects, MalformedImage, ::testing::ValuesIn(kDefects),
                         [](const ::testing::TestParamInfo<Defect>& info) {
                             return std::string(info.param.name);
                         });

TEST(MalformedImage, EveryDefectHasADistinctMessage) {
    for (size_t i = 0; i < std::size(kDefects); ++i) {
        for (size_t j = i + 1; j < std::size(kDefects); ++j) {
            EXPECT_STRNE(kDefects[i].message, kDefects[j].message)
                << kDefects[i].name << " / " << kDefects[j].name;
        }
    }
}

TEST(MalformedImage, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    // Each proper prefix of a valid image is refused; run under the sanitizers this also shows
    // that no read strays past the buffer.
    ProgramImage image = BuildImage();
    const std::vector<uint8_t> bytes = WriteValid(image);
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + size);
        EXPECT_FALSE(ReadImage(prefix).ok()) << "prefix of " << size << " bytes";
    }
}

}  // namespace
}  // namespace quorix::image::testing

namespace quorix::image::testing {
namespace {

TEST(MalformedImage, EveryAcceptedSingleByteChangeRewritesToTheSameBytes) {
    // Change each byte in two ways. Whatever the reader accepts it must have understood in full:
    // writing what it read gives back exactly the changed bytes.
    ProgramImage image = BuildImage();
    const std::vector<uint8_t> bytes = WriteValid(image);
    size_t accepted = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t mask : {uint8_t{0x01}, uint8_t{0xFF}}) {
            std::vector<uint8_t> changed = bytes;
            changed[at] ^= mask;
            Result<ProgramImage> read = ReadImage(changed);
            if (!read.ok()) continue;
            ++accepted;
            Result<std::vector<uint8_t>> rewritten = WriteImage(read.value());
            ASSERT_TRUE(rewritten.ok())
                << "byte 0x" << std::hex << at << ": " << rewritten.error().message;
            EXPECT_EQ(rewritten.value(), changed) << "byte 0x" << std::hex << at;
        }
    }
    EXPECT_GT(accepted, 0u);  // data bytes and free header words do change harmlessly
}

}  // namespace
}  // namespace quorix::image::testing
