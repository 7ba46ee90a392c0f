// What the writer refuses: anything that would make an image the reader refuses.
#include <gtest/gtest.h>

#include <functional>

#include "image/program_image.h"
#include "image/tests/image_builder.h"

namespace quorix::image::testing {
namespace {

struct Refusal {
    const char* name;
    std::function<void(ProgramImage&)> change;
    const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

Section& Code(ProgramImage& image) {
    return image.sections[kCode];
}

const Refusal kRefusals[] = {
    {"RelocationSiteOutsideData", [](ProgramImage& i) { Code(i).relocations.back().site = 93; },
     "has site 0x5d, whose word ends past the stored size 0x60"},
    {"RelocationsUnsorted",
     [](ProgramImage& i) { std::swap(Code(i).relocations[0], Code(i).relocations[1]); },
     "has site 0x0, not above the previous site 0x17"},
    {"RelocationSiteRepeated",
     [](ProgramImage& i) { Code(i).relocations[1].site = Code(i).relocations[0].site; },
     "not above the previous site 0x0"},
    {"RelocationKind4",
     [](ProgramImage& i) { Code(i).relocations[0].kind = static_cast<RelocationKind>(4); },
     "has kind 4"},
    {"RelocationOnUnstoredSection",
     [](ProgramImage& i) {
         i.sections[kVar].relocations.push_back({0, RelocationKind::Var});
     },
     "whose word ends past the stored size 0x0"},
    {"SectionNameOf24Bytes",
     [](ProgramImage& i) { i.sections[kConst].name = "const_with_a_long_name24"; },
     "is not 1 to 23 bytes of printable ASCII"},
    {"SectionNameWithSpace", [](ProgramImage& i) { i.sections[kConst].name = "con st"; },
     "\"con st\" is not 1 to 23"},
    {"LibraryFieldWithCr", [](ProgramImage& i) { i.libraries[1].major = "2\r1"; },
     "library row 1: major holds a CR or NUL"},
    {"LibraryFieldWithNul", [](ProgramImage& i) { i.libraries[5].description.push_back('\0'); },
     "library row 5: description holds a CR or NUL"},
    {"MoreThan64Libraries", [](ProgramImage& i) { i.libraries.resize(65, i.libraries[0]); },
     "library table has 65 rows, more than 64"},
    {"UnstoredSectionWithData", [](ProgramImage& i) { i.sections[kVar].data.resize(4); },
     "\"var\" is marked as not stored but holds 0x4 bytes"},
    {"DataLargerThanMemorySize", [](ProgramImage& i) { i.sections[kConst].memory_size = 100; },
     "\"const\" stores 0x6e bytes, more than its memory size 0x64"},
    {"MissingHelpSection", [](ProgramImage& i) { i.sections.erase(i.sections.begin() + kHelp); },
     "image has no \"help\" section"},
    {"SectionNameRepeated", [](ProgramImage& i) { i.sections[kHelp].name = "form"; },
     "section name \"form\" is used twice"},
    {"SectionNamedReloc1",
     [](ProgramImage& i) {
         i.sections.push_back(i.sections[kConst]);
         i.sections.back().name = "@reloc1";
     },
     "section name \"@reloc1\" is used twice"},
    {"MoreThan32Sections",
     [](ProgramImage& i) {
         for (int n = 0; n < 27; ++n) {
             i.sections.push_back(i.sections[kHelp]);
             i.sections.back().name = "extra" + std::to_string(n);
         }
     },
     "image has 32 sections and @reloc1, more than 32 in all"},
    {"FixupSiteOutsideCode",
     [](ProgramImage& i) { i.fixups[FixupList::LibraryIndexes].push_back(93); },
     "fix-up list 3 site 2 (0x5d): its word ends past the code's stored size 0x60"},
    {"FixupStatedSizeAboveTrueSize", [](ProgramImage& i) { i.fixup_stated_size = 48; },
     "fix-up stated size 0x30 is larger than the lists' size 0x2c"},
    {"EntryOffsetPastCode", [](ProgramImage& i) { i.entry_offset += 96; },
     "entry offset 0x3e3 is outside the stored bytes of section \"code\""},
    {"EntryOffsetZero", [](ProgramImage& i) { i.entry_offset = 0; }, "entry offset 0x0 is outside"},
};

class WriterRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(WriterRefuses, ImageTheReaderWouldRefuse) {
    ProgramImage image = BuildImage();
    GetParam().change(image);
    Result<std::vector<uint8_t>> bytes = WriteImage(image);
    ASSERT_FALSE(bytes.ok()) << "wrote an image with " << GetParam().name;
    EXPECT_NE(bytes.error().message.find(GetParam().message), std::string::npos)
        << "expected \"" << GetParam().message << "\" in \"" << bytes.error().message << "\"";
}

INSTANTIATE_TEST_SUITE_P(Defects, WriterRefuses, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return std::string(info.param.name);
                         });

TEST(WriterAccepts, BoundaryValuesThatAreStillValid) {
    ProgramImage image = BuildImage();
    image.sections.push_back(image.sections[kHelp]);
    image.sections.back().name = std::string(23, 'f');  // the longest name
    image.libraries.resize(64, image.libraries[0]);     // the most rows
    image.libraries[63] = LibraryRow{};        // five empty fields make four CRs: still a row
    Code(image).relocations.back().site = 92;  // the last whole word
    image.fixups[FixupList::Unused] = {92};
    ASSERT_TRUE(LayOutImage(image).ok());
    image.entry_offset = image.data_offsets[kCode] + 95;  // the last code byte
    Result<std::vector<uint8_t>> bytes = WriteImage(image);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    Result<ProgramImage> read = ReadImage(*bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read.value(), image);
}

}  // namespace
}  // namespace quorix::image::testing
