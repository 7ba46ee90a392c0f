// Lays out and writes the program image. Everything the reader would refuse is refused here
// first, so a written image always reads back.
#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

#include "image/bytes.h"
#include "image/program_image.h"
#include "image/section_rules.h"

namespace quorix::image {

namespace {

using namespace layout;
namespace field = layout::section_field;

constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max() - 1;  // below kNoOffset

uint64_t LibraryTableSize(const std::vector<LibraryRow>& rows) {
    uint64_t size = 1;  // the closing empty row
    for (const LibraryRow& row : rows) {
        size += row.file_name.size() + row.identifier.size() + row.major.size() + row.minor.size() +
                row.description.size() + (kLibraryFields - 1) + 1;
    }
    return size;
}

Result<void> CheckLibraries(const std::vector<LibraryRow>& rows) {
    if (rows.size() > kMaxLibraries) {
        return MakeError(kLibraryTable, "library table has %zu rows, more than %zu", rows.size(),
                         kMaxLibraries);
    }
    static constexpr const char* kFieldNames[kLibraryFields] = {"file name", "identifier", "major",
                                                                "minor", "description"};
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string* fields[kLibraryFields] = {&rows[r].file_name, &rows[r].identifier,
                                                     &rows[r].major, &rows[r].minor,
                                                     &rows[r].description};
        for (size_t f = 0; f < kLibraryFields; ++f) {
            if (fields[f]->find_first_of(std::string_view("\r\0", 2)) != std::string::npos) {
                return MakeError(kLibraryTable, "library row %zu: %s holds a CR or NUL byte", r,
                                 kFieldNames[f]);
            }
        }
    }
    return {};
}

Result<void> CheckSection(const Section& s, uint64_t header_offset) {
    const uint32_t at = static_cast<uint32_t>(header_offset);
    if (!IsValidSectionName(s.name)) {
        return MakeError(at, "section name \"%s\" is not 1 to 23 bytes of printable ASCII",
                         s.name.c_str());
    }
    if (!s.stored && !s.data.empty()) {
        return MakeError(at, "section \"%s\" is marked as not stored but holds 0x%zx bytes",
                         s.name.c_str(), s.data.size());
    }
    if (s.data.size() > s.memory_size) {
        return MakeError(at, "section \"%s\" stores 0x%zx bytes, more than its memory size 0x%x",
                         s.name.c_str(), s.data.size(), s.memory_size);
    }
    if (s.relocations.size() > kMaxRelocations) {
        return MakeError(at, "section \"%s\" has 0x%zx relocations, too many for its header size",
                         s.name.c_str(), s.relocations.size());
    }
    for (size_t i = 0; i < s.relocations.size(); ++i) {
        const Relocation& r = s.relocations[i];
        const std::optional<uint32_t> previous =
            i > 0 ? std::optional<uint32_t>(s.relocations[i - 1].site) : std::nullopt;
        if (Result<void> ok = CheckRelocation(s.name, i, static_cast<uint32_t>(r.kind), r.site,
                                              previous, s.data.size(), std::nullopt, at);
            !ok) {
            return ok;
        }
    }
    return {};
}

uint64_t FixupListsSize(const FixupLists& fixups) {
    uint64_t size = 0;
    for (const auto& list : fixups.sites) size += 4 + 4 * static_cast<uint64_t>(list.size());
    return size;
}

uint32_t StatedFixupSize(const ProgramImage& image) {
    return image.fixup_stated_size != 0 ? image.fixup_stated_size
                                        : static_cast<uint32_t>(FixupListsSize(image.fixups));
}

// A section header and its relocation records, each field at its named offset.
void WriteSectionHeader(ByteWriter& out, std::string_view name, uint32_t flags,
                        uint32_t memory_size, uint32_t stored_size, uint32_t data_offset,
                        uint32_t next, std::span<const Relocation> relocations) {
    const auto count = static_cast<uint32_t>(relocations.size());
    uint8_t header[kSectionHeaderSize] = {};
    StoreU32(header + field::kHeaderSize, kSectionHeaderSize + 4 * count);
    StoreU32(header + field::kNext, next);
    StoreU32(header + field::kFlags, flags);
    std::copy(name.begin(), name.end(), header + field::kName);
    StoreU32(header + field::kMemorySize, memory_size);
    StoreU32(header + field::kStoredSize, stored_size);
    StoreU32(header + field::kDataOffset, data_offset);
    StoreU32(header + field::kRelocationCount, count);
    out.Bytes(header);
    for (const Relocation& r : relocations) out.U32(EncodeRelocation(r));
}

}  // namespace

Result<void> LayOutImage(ProgramImage& image) {
    if (Result<void> ok = CheckLibraries(image.libraries); !ok) return ok;
    if (image.sections.size() + 1 > kMaxSections) {
        return MakeError(0, "image has %zu sections and @reloc1, more than %zu in all",
                         image.sections.size(), kMaxSections);
    }

    std::vector<uint32_t> header_offsets, data_offsets;
    uint64_t offset = kLibraryTable + LibraryTableSize(image.libraries);
    for (size_t i = 0; i < image.sections.size(); ++i) {
        const Section& s = image.sections[i];
        if (offset > kMaxOffset) return MakeError(0, "image is larger than 32-bit offsets reach");
        if (Result<void> ok = CheckSection(s, offset); !ok) return ok;
        if (s.name == kFixupSection || FindSectionIndex(image, s.name) != static_cast<int>(i)) {
            return MakeError(static_cast<uint32_t>(offset), "section name \"%s\" is used twice",
                             s.name.c_str());
        }
        const uint64_t header_size = kSectionHeaderSize + 4 * uint64_t{s.relocations.size()};
        header_offsets.push_back(static_cast<uint32_t>(offset));
        data_offsets.push_back(s.stored ? static_cast<uint32_t>(offset + header_size) : kNoOffset);
        offset += header_size + s.data.size();
    }

    for (std::string_view name : kNamedSections) {
        if (FindSection(image, name) == nullptr) {
            return MakeError(0, "image has no \"%.*s\" section", static_cast<int>(name.size()),
                             name.data());
        }
    }

    const Section& code = *FindSection(image, "code");
    for (size_t l = 0; l < image.fixups.sites.size(); ++l) {
        const std::vector<uint32_t>& sites = image.fixups.sites[l];
        for (size_t i = 0; i < sites.size(); ++i) {
            if (Result<void> ok =
                    CheckFixupSite(l + 1, i, sites[i], code.data.size(), std::nullopt);
                !ok) {
                return ok.error();
            }
        }
    }
    const uint64_t fixup_size = FixupListsSize(image.fixups);
    if (image.fixup_stated_size > fixup_size) {
        return MakeError(0, "fix-up stated size 0x%x is larger than the lists' size 0x%llx",
                         image.fixup_stated_size, static_cast<unsigned long long>(fixup_size));
    }
    if (offset + kSectionHeaderSize + fixup_size > kMaxOffset) {
        return MakeError(0, "image is larger than 32-bit offsets reach");
    }
    header_offsets.push_back(static_cast<uint32_t>(offset));
    data_offsets.push_back(static_cast<uint32_t>(offset + kSectionHeaderSize));

    image.header_offsets = std::move(header_offsets);
    image.data_offsets = std::move(data_offsets);
    return {};
}

Result<std::vector<uint8_t>> WriteImage(ProgramImage& image) {
    if (Result<void> ok = LayOutImage(image); !ok) return ok.error();

    const size_t code_index = static_cast<size_t>(FindSectionIndex(image, "code"));
    const Section& code = image.sections[code_index];
    const uint64_t code_start = image.data_offsets[code_index];
    if (!code.stored || image.entry_offset < code_start ||
        image.entry_offset >= code_start + code.data.size()) {
        return MakeError(kEntryWord,
                         "entry offset 0x%x is outside the stored bytes of section \"code\"",
                         image.entry_offset);
    }

    uint8_t header[kHeaderSize] = {};
    std::copy(std::begin(kMagic), std::end(kMagic), header);
    const uint32_t first_section = image.header_offsets.front();
    StoreU32(header + kFirstSectionWord, first_section);
    StoreU32(header + kWord28, image.word_28);
    StoreU32(header + kWord2C, image.word_2c);
    StoreU32(header + kWord34, image.word_34);
    StoreU32(header + kEntryWord, image.entry_offset);
    for (size_t n = 0; n < kNamedSections.size(); ++n) {
        const size_t index = static_cast<size_t>(FindSectionIndex(image, kNamedSections[n]));
        StoreU32(header + NamedHeaderWord(n), image.header_offsets[index]);
    }
    StoreU32(header + kFirstSectionCopyWord, first_section);
    ByteWriter out;
    out.Bytes(header);

    for (const LibraryRow& row : image.libraries) {
        const std::string* fields[kLibraryFields] = {&row.file_name, &row.identifier, &row.major,
                                                     &row.minor, &row.description};
        for (size_t f = 0; f < kLibraryFields; ++f) {
            if (f > 0) out.U8(kFieldSeparator);
            out.Bytes(AsBytes(*fields[f]));
        }
        out.U8(0);
    }
    out.U8(0);

    for (size_t i = 0; i < image.sections.size(); ++i) {
        const Section& s = image.sections[i];
        WriteSectionHeader(out, s.name, s.flags, s.memory_size,
                           static_cast<uint32_t>(s.data.size()), image.data_offsets[i],
                           image.header_offsets[i + 1],  // @reloc1 follows
                           s.relocations);
        out.Bytes(s.data);
    }

    // @reloc1: the lists are always written in full; a stated size shorter than they are leaves
    // the last words after the stated bytes, still inside the image.
    const uint32_t stated = StatedFixupSize(image);
    WriteSectionHeader(out, kFixupSection, 1, stated, stated, image.data_offsets.back(), kNoOffset,
                       {});
    for (const auto& list : image.fixups.sites) {
        out.U32(static_cast<uint32_t>(list.size()));
        for (uint32_t site : list) out.U32(site);
    }
    return std::move(out).Take();
}

}  // namespace quorix::image
