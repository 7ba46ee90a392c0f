// The program image: the block the loader hands to the core runtime, holding the library table,
// the sections (const, form, help, code, var) with their relocation records, and the fix-up lists.
//
// WriteImage lays an image out byte for byte; ReadImage validates a whole image in one pass and
// only then returns it. Both share the record layout below, and neither throws.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/result.h"

namespace quorix::image {

// Fixed facts of the layout, shared by the writer and the reader.
namespace layout {
inline constexpr uint8_t kMagic[4] = {'W', 'J', 0, 0};
inline constexpr uint32_t kHeaderSize = 88;
inline constexpr uint32_t kFirstSectionWord = 0x24;  // offset of the first section header
inline constexpr uint32_t kWord28 = 0x28;
inline constexpr uint32_t kWord2C = 0x2C;
inline constexpr uint32_t kZeroWord30 = 0x30;
inline constexpr uint32_t kWord34 = 0x34;
inline constexpr uint32_t kZeroWord38 = 0x38;
inline constexpr uint32_t kEntryWord = 0x3C;
inline constexpr uint32_t kNamedHeaderWords = 0x40;  // five words: const, form, help, code, var
inline constexpr uint32_t kFirstSectionCopyWord = 0x54;
inline constexpr uint32_t kLibraryTable = 0x58;
inline constexpr std::array<std::string_view, 5> kNamedSections = {"const", "form", "help", "code",
                                                                   "var"};
// The header word that holds the offset of named section n's header.
inline constexpr uint32_t NamedHeaderWord(size_t n) {
    return kNamedHeaderWords + 4 * static_cast<uint32_t>(n);
}
inline constexpr size_t kCodeNamed = 3;  // kNamedSections[kCodeNamed] is "code"
static_assert(kNamedSections[kCodeNamed] == "code");

// Where each field of a section header sits, from the header's first byte. The relocation
// records follow the fixed fields at kRecords; the stored bytes follow the records.
namespace section_field {
inline constexpr uint32_t kHeaderSize = 0;  // 56 + 4 x relocation count
inline constexpr uint32_t kNext = 4;        // next header's offset, or kNoOffset
inline constexpr uint32_t kFlags = 8;
inline constexpr uint32_t kName = 12;  // 24 bytes, NUL-padded
inline constexpr uint32_t kMemorySize = 36;
inline constexpr uint32_t kStoredSize = 40;
inline constexpr uint32_t kDataOffset = 44;  // or kNoOffset when nothing is stored
inline constexpr uint32_t kRelocationCount = 48;
inline constexpr uint32_t kReserved = 52;  // always zero
inline constexpr uint32_t kRecords = 56;
}  // namespace section_field

inline constexpr uint32_t kSectionHeaderSize = section_field::kRecords;  // without the records
inline constexpr uint32_t kSectionNameSize = 24;
inline constexpr uint32_t kNoOffset = 0xFFFFFFFF;  // ends the chain; marks "nothing stored"
inline constexpr std::string_view kFixupSection = "@reloc1";

inline constexpr size_t kLibraryFields = 5;
inline constexpr uint8_t kFieldSeparator = 0x0D;
inline constexpr size_t kMaxLibraries = 64;
inline constexpr size_t kMaxSections = 32;  // the whole chain, @reloc1 included
}  // namespace layout

// One row of the library table. Every field is raw GBK bytes, free of CR and NUL.
struct LibraryRow {
    std::string file_name, identifier, major, minor, description;
    friend bool operator==(const LibraryRow&, const LibraryRow&) = default;
};

// Which block's load address a relocation adds to the word at its site.
enum class RelocationKind : uint8_t { EntryTable = 0, Const = 1, Var = 2, Code = 3 };

// Stored as the record (site << 3) | kind; the site is a byte offset into the section's data.
struct Relocation {
    uint32_t site;
    RelocationKind kind;
    friend bool operator==(const Relocation&, const Relocation&) = default;
};

inline uint32_t EncodeRelocation(const Relocation& r) {
    return (r.site << 3) | static_cast<uint32_t>(r.kind);
}

struct Section {
    std::string name;  // ASCII, at most 23 bytes, stored NUL-padded in 24
    uint32_t flags = 1;
    uint32_t memory_size = 0;             // size of the section in memory
    bool stored = true;                   // false: stored size 0, data offset 0xFFFFFFFF (var)
    std::vector<uint8_t> data;            // the stored bytes (empty when !stored)
    std::vector<Relocation> relocations;  // strictly ascending by site
    friend bool operator==(const Section&, const Section&) = default;
};

// The lists of @reloc1 in the order they are stored, each named after what the word at each of
// its sites holds.
enum class FixupList : size_t {
    UnitIds = 0,         // a window ID or unit ID
    Unused = 1,          // of a kind this program never writes: empty in its images
    LibraryIndexes = 2,  // a 0-based row of the library table
    TypeCodes = 3,       // a type code, as QX_TYPE makes it
};
inline constexpr size_t kFixupListCount = 4;

// The four lists of @reloc1, each of byte offsets into the code data.
struct FixupLists {
    std::array<std::vector<uint32_t>, kFixupListCount> sites;  // indexed by FixupList
    std::vector<uint32_t>& operator[](FixupList list) { return sites[static_cast<size_t>(list)]; }
    const std::vector<uint32_t>& operator[](FixupList list) const {
        return sites[static_cast<size_t>(list)];
    }
    friend bool operator==(const FixupLists&, const FixupLists&) = default;
};

struct ProgramImage {
    uint32_t word_28 = 1, word_2c = 3, word_34 = 0x0001029F;  // header words, meaning open
    uint32_t entry_offset = 0;  // image offset of the start routine (inside the code data)
    std::vector<LibraryRow> libraries;
    std::vector<Section> sections;   // chain order; must hold const, form, help, code and var
    FixupLists fixups;               // written as the last section, "@reloc1"
    uint32_t fixup_stated_size = 0;  // 0 = the true size; a reader fills in what the image states
    // Image offsets of each section's header and stored bytes (kNoOffset when nothing is
    // stored), filled by the writer and by the reader. One entry per section, and a last entry
    // for @reloc1.
    std::vector<uint32_t> header_offsets, data_offsets;
    friend bool operator==(const ProgramImage&, const ProgramImage&) = default;
};

// Checks everything the writer would refuse except the entry offset, and fills header_offsets
// and data_offsets, without writing. A generator uses it to learn where the code data lands,
// and so what entry offset to give.
Result<void> LayOutImage(ProgramImage& image);

// Lays the image out (filling header_offsets and data_offsets) and returns its bytes. Refuses an
// image that ReadImage would refuse.
Result<std::vector<uint8_t>> WriteImage(ProgramImage& image);

// Validates the whole image, then returns it. Every offset, count and length is checked against
// the buffer's size; the fix-up lists are read by their counts, not by @reloc1's stated size.
// Bytes after the end of the fix-up lists are ignored.
Result<ProgramImage> ReadImage(std::span<const uint8_t> bytes);

// The section named `name`, or nullptr. @reloc1 is not among the sections.
const Section* FindSection(const ProgramImage& image, std::string_view name);

// The index of the section named `name` in image.sections, or -1.
int FindSectionIndex(const ProgramImage& image, std::string_view name);

// The image offset of row `row` of the library table, as WriteImage lays it out and ReadImage
// reads it: the rows before it, each its five fields, four separators and a NUL.
uint32_t LibraryRowOffset(const ProgramImage& image, size_t row);

}  // namespace quorix::image
