// Write -> read of whole images, and the fixed facts of the layout.
#include <gtest/gtest.h>

#include <numeric>

#include "image/bytes.h"
#include "image/program_image.h"
#include "image/tests/image_builder.h"

namespace quorix::image::testing {
namespace {

using namespace layout;
namespace field = layout::section_field;

// The fixed offsets are the contract between writer, reader and loader: their names are used
// everywhere else, and their values are pinned here once.
TEST(ImageLayout, NamedOffsetsHoldTheirFixedValues) {
    EXPECT_EQ(kHeaderSize, 0x58u);
    EXPECT_EQ(kFirstSectionWord, 0x24u);
    EXPECT_EQ(kWord28, 0x28u);
    EXPECT_EQ(kWord2C, 0x2Cu);
    EXPECT_EQ(kZeroWord30, 0x30u);
    EXPECT_EQ(kWord34, 0x34u);
    EXPECT_EQ(kZeroWord38, 0x38u);
    EXPECT_EQ(kEntryWord, 0x3Cu);
    const uint32_t named[] = {0x40, 0x44, 0x48, 0x4C, 0x50};
    for (size_t n = 0; n < kNamedSections.size(); ++n) EXPECT_EQ(NamedHeaderWord(n), named[n]);
    EXPECT_EQ(kFirstSectionCopyWord, 0x54u);
    EXPECT_EQ(kLibraryTable, 0x58u);

    const uint32_t fields[] = {
        field::kHeaderSize, field::kNext,       field::kFlags,      field::kName,
        field::kMemorySize, field::kStoredSize, field::kDataOffset, field::kRelocationCount,
        field::kReserved,   field::kRecords};
    const uint32_t expected[] = {0, 4, 8, 12, 36, 40, 44, 48, 52, 56};
    for (size_t i = 0; i < std::size(fields); ++i) EXPECT_EQ(fields[i], expected[i]) << i;
    EXPECT_EQ(field::kMemorySize - field::kName, kSectionNameSize);
    EXPECT_EQ(kSectionHeaderSize, 56u);
}

size_t CountKind(const Section& s, RelocationKind kind) {
    return std::count_if(s.relocations.begin(), s.relocations.end(),
                         [&](const Relocation& r) { return r.kind == kind; });
}

TEST(ImageRoundTrip, RealisticImageReadsBackEqualAndRewritesIdentically) {
    ProgramImage image = BuildImage();
    const std::vector<uint8_t> bytes = WriteValid(image);

    Result<ProgramImage> read = ReadImage(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read.value(), image);
    ASSERT_EQ(read->libraries.size(), 6u);
    EXPECT_EQ(read->libraries[2].identifier, "{B6F7542F-B8FE-46a8-9605-98856A687097}");
    EXPECT_EQ(read->libraries[4].description,
              "\xb3\xac\xce\xc4\xb1\xbe\xe4\xaf\xc0\xc0\xbf\xf2\xd6\xa7\xb3\xd6\xbf\xe2");

    const Section* code = FindSection(*read, "code");
    ASSERT_NE(code, nullptr);
    for (auto kind : {RelocationKind::EntryTable, RelocationKind::Const, RelocationKind::Var,
                      RelocationKind::Code}) {
        EXPECT_EQ(CountKind(*code, kind), 1u) << static_cast<int>(kind);
    }
    EXPECT_EQ(FindSection(*read, "@reloc1"), nullptr);
    EXPECT_EQ(FindSection(*read, "nope"), nullptr);

    // Reading loses nothing: what was read writes back to the very same bytes.
    ProgramImage again = std::move(read).value();
    EXPECT_EQ(WriteValid(again), bytes);
}

TEST(ImageRoundTrip, HeaderAndLibraryTableSitWhereTheLayoutFixesThem) {
    ProgramImage image = BuildImage();
    image.word_28 = 0x11111111;
    image.word_2c = 0x22222222;
    image.word_34 = 0x33333333;
    const std::vector<uint8_t> bytes = WriteValid(image);

    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
              (std::vector<uint8_t>{'W', 'J', 0, 0}));
    EXPECT_TRUE(std::all_of(bytes.begin() + 4, bytes.begin() + kFirstSectionWord,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(ReadU32At(bytes, kFirstSectionWord), 0x1C9u);
    EXPECT_EQ(ReadU32At(bytes, kWord28), 0x11111111u);
    EXPECT_EQ(ReadU32At(bytes, kWord2C), 0x22222222u);
    EXPECT_EQ(ReadU32At(bytes, kZeroWord30), 0u);
    EXPECT_EQ(ReadU32At(bytes, kWord34), 0x33333333u);
    EXPECT_EQ(ReadU32At(bytes, kZeroWord38), 0u);
    EXPECT_EQ(ReadU32At(bytes, kEntryWord), image.data_offsets[kCode]);
    for (size_t n = 0; n < 5; ++n) {
        EXPECT_EQ(ReadU32At(bytes, NamedHeaderWord(n)), image.header_offsets[n]) << n;
    }
    EXPECT_EQ(ReadU32At(bytes, kFirstSectionCopyWord), 0x1C9u);

    // The first row starts at the library table with its five CR-separated fields; the table closes
    // with an empty row, so the last row's NUL is followed by a second NUL, and then the first
    // header.
    const std::string first_row(reinterpret_cast<const char*>(&bytes[kLibraryTable]));
    EXPECT_EQ(first_row,
              "krnln\rd09f2340818511d396f6aaf844c7e325\r5\r0\r"
              "\xcf\xb5\xcd\xb3\xba\xcb\xd0\xc4\xd6\xa7\xb3\xd6\xbf\xe2");
    EXPECT_EQ(bytes[0x1C7], 0);
    EXPECT_EQ(bytes[0x1C8], 0);
    EXPECT_NE(bytes[0x1C6], 0);
    EXPECT_EQ(image.header_offsets[kConst], 0x1C9u);
    EXPECT_EQ(image.header_offsets[kForm], 0x26Fu);
}

TEST(ImageRoundTrip, VarHasNothingStoredAndReloc1FollowsItsHeader) {
    ProgramImage image = BuildImage();
    const std::vector<uint8_t> bytes = WriteValid(image);
    const uint32_t var = image.header_offsets[kVar];
    EXPECT_EQ(ReadU32At(bytes, var + field::kHeaderSize), kSectionHeaderSize);
    EXPECT_EQ(ReadU32At(bytes, var + field::kFlags), 0x13u);
    EXPECT_EQ(ReadU32At(bytes, var + field::kMemorySize), 28u);
    EXPECT_EQ(ReadU32At(bytes, var + field::kStoredSize), 0u);
    EXPECT_EQ(ReadU32At(bytes, var + field::kDataOffset), kNoOffset);
    EXPECT_EQ(ReadU32At(bytes, var + field::kNext), var + kSectionHeaderSize);  // @reloc1 next
    EXPECT_EQ(image.header_offsets[kReloc1], var + kSectionHeaderSize);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(&bytes[var + kSectionHeaderSize + field::kName])),
        "@reloc1");
    EXPECT_EQ(ReadU32At(bytes, var + kSectionHeaderSize + field::kNext),
              kNoOffset);  // the chain ends

    Result<ProgramImage> read = ReadImage(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    const Section* v = FindSection(*read, "var");
    ASSERT_NE(v, nullptr);
    EXPECT_FALSE(v->stored);
    EXPECT_TRUE(v->data.empty());
    EXPECT_EQ(v->memory_size, 28u);
    EXPECT_EQ(read->data_offsets[kVar], 0xFFFFFFFFu);
}

TEST(ImageRoundTrip, RelocationRecordsAreSortedSiteShiftedByThreeOrKind) {
    ProgramImage image = BuildImage();
    const std::vector<uint8_t> bytes = WriteValid(image);
    const Section& code = image.sections[kCode];
    const uint32_t records = image.header_offsets[kCode] + field::kRecords;
    EXPECT_EQ(ReadU32At(bytes, image.header_offsets[kCode] + field::kHeaderSize),
              kSectionHeaderSize + 4 * code.relocations.size());
    uint32_t previous_site = 0;
    for (size_t i = 0; i < code.relocations.size(); ++i) {
        const uint32_t record = ReadU32At(bytes, records + 4 * i);
        EXPECT_EQ(record >> 3, code.relocations[i].site);
        EXPECT_EQ(record & 7, static_cast<uint32_t>(code.relocations[i].kind));
        if (i > 0) {
            EXPECT_GT(record >> 3, previous_site);
        }
        previous_site = record >> 3;
    }
    // The code's stored bytes follow the records at once.
    EXPECT_EQ(image.data_offsets[kCode], records + 4 * code.relocations.size());
    EXPECT_EQ(bytes[image.data_offsets[kCode]], code.data[0]);
}

// Full-size sections: the offsets of the image this program ships follow, and @reloc1 states
// four bytes fewer than its lists take, so the lists must be read by their counts.
TEST(ImageRoundTrip, FullSizeImageWithShortStatedFixupSizeReadsBackByCounts) {
    Shape shape;
    shape.form_size = 13530;
    shape.code_size = 8551;
    shape.relocations_per_kind = {10, 51, 40, 1};
    shape.fixup_counts = {233, 0, 17, 46};
    shape.stated_size_delta = -4;
    ProgramImage image = BuildImage(shape);
    const std::vector<uint8_t> bytes = WriteValid(image);

    const std::vector<uint32_t> headers = {0x1C9, 0x26F, 0x3781, 0x37ED, 0x5B24, 0x5B5C};
    const std::vector<uint32_t> data = {0x201, 0x2A7, 0x37B9, 0x39BD, 0xFFFFFFFF, 0x5B94};
    EXPECT_EQ(image.header_offsets, headers);
    EXPECT_EQ(image.data_offsets, data);
    EXPECT_EQ(ReadU32At(bytes, 0x37ED + field::kHeaderSize), 464u);
    EXPECT_EQ(ReadU32At(bytes, 0x5B5C + field::kMemorySize), 1196u);
    EXPECT_EQ(ReadU32At(bytes, 0x5B5C + field::kStoredSize), 1196u);
    EXPECT_EQ(bytes.size(), 0x5B94u + 1200);  // all 300 words are written

    Result<ProgramImage> read = ReadImage(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->fixup_stated_size, 1196u);
    EXPECT_EQ(read->fixups, image.fixups);
    const std::array<size_t, 4> counts = {233, 0, 17, 46};
    for (size_t l = 0; l < 4; ++l) EXPECT_EQ(read->fixups.sites[l].size(), counts[l]) << l;
    // The word beyond the stated size is list 4's last site.
    EXPECT_EQ(ReadU32At(bytes, bytes.size() - 4), image.fixups[FixupList::TypeCodes].back());
    EXPECT_EQ(read->fixups[FixupList::TypeCodes].back(), image.fixups[FixupList::TypeCodes].back());

    const Section* code = FindSection(*read, "code");
    ASSERT_NE(code, nullptr);
    ASSERT_EQ(code->relocations.size(), 102u);
    EXPECT_EQ(CountKind(*code, RelocationKind::EntryTable), 10u);
    EXPECT_EQ(CountKind(*code, RelocationKind::Const), 51u);
    EXPECT_EQ(CountKind(*code, RelocationKind::Var), 40u);
    EXPECT_EQ(CountKind(*code, RelocationKind::Code), 1u);
    EXPECT_EQ(code->relocations.back().site, 8551u - 4);
    EXPECT_EQ(read.value(), image);
    ProgramImage again = std::move(read).value();
    EXPECT_EQ(WriteValid(again), bytes);
}

TEST(ImageRoundTrip, TrailingBytesAfterTheFixupListsAreIgnored) {
    ProgramImage image = BuildImage();
    std::vector<uint8_t> bytes = WriteValid(image);
    bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});
    Result<ProgramImage> read = ReadImage(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read.value(), image);
}

TEST(ImageRoundTrip, LayOutFillsOffsetsWithoutWriting) {
    ProgramImage image = BuildImage();
    image.header_offsets.clear();
    image.data_offsets.clear();
    ASSERT_TRUE(LayOutImage(image).ok());
    ASSERT_EQ(image.header_offsets.size(), 6u);
    const Section& code = image.sections[kCode];
    EXPECT_EQ(image.data_offsets[kCode],
              image.header_offsets[kCode] + kSectionHeaderSize + 4 * code.relocations.size());
    EXPECT_EQ(image.header_offsets[kHelp], image.header_offsets[kForm] + kSectionHeaderSize + 40);
}

}  // namespace
}  // namespace quorix::image::testing
