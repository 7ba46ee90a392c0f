// Defects of the image header, the library table, the named header words and the entry, and
// the reader's sweeps over whole images: every truncation, every single-byte change.
#include <string>
#include <vector>

#include "image/tests/malformed_image.h"

namespace quorix::image::testing {

void PrintTo(const Defect& d, std::ostream* os) {
    *os << d.name;
}

namespace {

using layout::kEntryWord;
using layout::kFirstSectionCopyWord;
using layout::kFirstSectionWord;
using layout::kLibraryTable;
using layout::NamedHeaderWord;

const Defect kImageDefects[] = {
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
};

}  // namespace

std::span<const Defect> ImageDefects() {
    return kImageDefects;
}

namespace {

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

INSTANTIATE_TEST_SUITE_P(ImageDefects, MalformedImage, ::testing::ValuesIn(ImageDefects()),
                         [](const ::testing::TestParamInfo<Defect>& info) {
                             return std::string(info.param.name);
                         });

TEST(MalformedImage, EveryDefectHasADistinctMessage) {
    std::vector<Defect> all(ImageDefects().begin(), ImageDefects().end());
    all.insert(all.end(), SectionDefects().begin(), SectionDefects().end());
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            EXPECT_STRNE(all[i].message, all[j].message) << all[i].name << " / " << all[j].name;
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
