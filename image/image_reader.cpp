// Reads the program image. One pass validates every field against the buffer's size and the
// layout's rules before anything is returned; the stages (header, library table, section chain,
// named headers and entry, fix-up lists) are separate functions in reading order.
#include <algorithm>
#include <string>

#include "image/bytes.h"
#include "image/program_image.h"
#include "image/section_reader.h"
#include "image/section_rules.h"

namespace quorix::image {

namespace {

using namespace layout;
namespace field = layout::section_field;

Result<void> ReadHeader(ByteReader& in, ProgramImage& image, uint32_t& first_section,
                        uint32_t& first_section_copy) {
    if (in.size() < kHeaderSize) {
        return in.FieldError(0, "image of size 0x%zx is shorter than its 0x%x-byte header",
                             in.size(), kHeaderSize);
    }
    const std::span<const uint8_t> b = in.buffer();
    if (!std::equal(b.begin(), b.begin() + 4, kMagic)) {
        return in.FieldError(0, "magic at 0x0 is %02x %02x %02x %02x, not \"WJ\" and two zeros",
                             b[0], b[1], b[2], b[3]);
    }
    for (uint32_t i = sizeof kMagic; i < kFirstSectionWord; ++i) {
        if (b[i] != 0) {
            return in.FieldError(i, "reserved header byte at 0x%x is 0x%02x, not zero", i, b[i]);
        }
    }
    for (uint32_t at : {kZeroWord30, kZeroWord38}) {
        if (const uint32_t v = LoadU32(&b[at]); v != 0) {
            return in.FieldError(at, "reserved header word at 0x%x is 0x%x, not zero", at, v);
        }
    }
    first_section = LoadU32(&b[kFirstSectionWord]);
    image.word_28 = LoadU32(&b[kWord28]);
    image.word_2c = LoadU32(&b[kWord2C]);
    image.word_34 = LoadU32(&b[kWord34]);
    image.entry_offset = LoadU32(&b[kEntryWord]);
    first_section_copy = LoadU32(&b[kFirstSectionCopyWord]);
    return in.Seek(kLibraryTable, "library table offset");
}

Result<void> ReadLibraryTable(ByteReader& in, ProgramImage& image) {
    for (size_t r = 0;; ++r) {
        const size_t row_offset = in.offset();
        const std::string what = Format("library table row %zu", r);
        Result<std::span<const uint8_t>> row = in.ReadCString(what.c_str());
        if (!row) return row.error();
        if (row->empty()) return {};
        if (r == kMaxLibraries) {
            return in.FieldError(row_offset, "library table at 0x%x has more than %zu rows",
                                 kLibraryTable, kMaxLibraries);
        }
        std::string fields[kLibraryFields];
        size_t field = 0;
        for (uint8_t c : *row) {
            if (c != kFieldSeparator) {
                if (field < kLibraryFields) fields[field].push_back(static_cast<char>(c));
            } else {
                ++field;
            }
        }
        if (field + 1 != kLibraryFields) {
            return in.FieldError(row_offset,
                                 "library table row %zu at 0x%zx has %zu fields, not %zu", r,
                                 row_offset, field + 1, kLibraryFields);
        }
        image.libraries.push_back(LibraryRow{std::move(fields[0]), std::move(fields[1]),
                                             std::move(fields[2]), std::move(fields[3]),
                                             std::move(fields[4])});
    }
}

Result<void> CheckNamedHeaders(ByteReader& in, const std::vector<RawSection>& chain) {
    for (size_t n = 0; n < kNamedSections.size(); ++n) {
        const uint32_t at = NamedHeaderWord(n);
        const uint32_t offset = LoadU32(&in.buffer()[at]);
        const std::string_view want = kNamedSections[n];
        const RawSection* named = nullptr;
        for (const RawSection& raw : chain) {
            if (raw.header_offset == offset) named = &raw;
        }
        if (named == nullptr) {
            return in.FieldError(at,
                                 "word at 0x%x (0x%x) is not the offset of a section header "
                                 "in the chain",
                                 at, offset);
        }
        if (named->section.name != want) {
            return in.FieldError(at,
                                 "word at 0x%x names the section header at 0x%x called \"%s\", "
                                 "not \"%.*s\"",
                                 at, offset, named->section.name.c_str(),
                                 static_cast<int>(want.size()), want.data());
        }
    }
    return {};
}

// @reloc1's four lists are read by their counts from its data offset; its stated size is only
// checked to end no later than the lists do.
Result<void> ReadFixups(ByteReader& in, const RawSection& fix, uint32_t code_size,
                        ProgramImage& image) {
    const uint32_t h = fix.header_offset;
    if (!fix.section.stored || !fix.section.relocations.empty() || fix.section.flags != 1 ||
        fix.section.memory_size != fix.stored_size) {
        return in.FieldError(h,
                             "\"@reloc1\" at 0x%x is not a stored section with flags 1, no "
                             "relocations and memory size equal to its stored size",
                             h);
    }
    if (Result<void> ok = in.Seek(fix.data_offset, "fix-up data offset"); !ok) return ok;
    for (size_t l = 0; l < image.fixups.sites.size(); ++l) {
        const std::string count_name = Format("fix-up list %zu count", l + 1);
        Result<Count> count = in.ReadCount(count_name.c_str());
        if (!count) return count.error();
        const size_t list_at = in.offset();
        Result<std::vector<uint32_t>> sites = in.ReadU32Array(*count);
        if (!sites) return sites.error();
        for (size_t i = 0; i < sites->size(); ++i) {
            if (Result<void> ok = CheckFixupSite(l + 1, i, (*sites)[i], code_size, list_at + 4 * i);
                !ok) {
                return ok;
            }
        }
        image.fixups.sites[l] = std::move(*sites);
    }
    const uint64_t stated_end = uint64_t{fix.data_offset} + fix.stored_size;
    if (in.offset() < stated_end) {
        return in.FieldError(h + field::kStoredSize,
                             "fix-up lists end at 0x%zx, before the stated end 0x%llx of "
                             "\"@reloc1\"",
                             in.offset(), static_cast<unsigned long long>(stated_end));
    }
    image.fixup_stated_size = fix.stored_size;
    return {};
}

// Both words naming the first section header name the byte after the library table.
Result<void> CheckFirstSection(const ByteReader& in, uint32_t first_section,
                               uint32_t first_section_copy) {
    if (first_section != in.offset()) {
        return in.FieldError(kFirstSectionWord,
                             "first section header offset 0x%x at 0x%x is not 0x%zx, the byte "
                             "after the library table",
                             first_section, kFirstSectionWord, in.offset());
    }
    if (first_section_copy != first_section) {
        return in.FieldError(kFirstSectionCopyWord,
                             "word at 0x%x (0x%x) differs from the first section header offset "
                             "0x%x",
                             kFirstSectionCopyWord, first_section_copy, first_section);
    }
    return {};
}

// The fix-up section ends the chain.
Result<void> CheckFixupSectionLast(const ByteReader& in, const std::vector<RawSection>& chain) {
    size_t fix_index = chain.size();
    for (size_t i = 0; i < chain.size(); ++i) {
        if (chain[i].section.name == kFixupSection) fix_index = i;
    }
    if (fix_index == chain.size()) {
        return in.FieldError(kFirstSectionWord, "section chain has no \"@reloc1\" section");
    }
    if (fix_index + 1 != chain.size()) {
        return in.FieldError(chain[fix_index].header_offset,
                             "\"@reloc1\" at 0x%x is not the last section of the chain",
                             chain[fix_index].header_offset);
    }
    return {};
}

// The code section (CheckNamedHeaders found it), which stores the entry word's byte.
Result<const RawSection*> CodeWithEntry(const ByteReader& in, std::span<const uint8_t> bytes,
                                        const std::vector<RawSection>& chain,
                                        uint32_t entry_offset) {
    const uint32_t code_header = LoadU32(&bytes[NamedHeaderWord(kCodeNamed)]);
    const RawSection* code = nullptr;
    for (const RawSection& raw : chain) {
        if (raw.header_offset == code_header) code = &raw;
    }
    const uint64_t code_start = code->data_offset;
    if (!code->section.stored || entry_offset < code_start ||
        entry_offset >= code_start + code->stored_size) {
        return in.FieldError(kEntryWord,
                             "entry offset 0x%x at 0x%X is outside the stored bytes of section "
                             "\"code\" (0x%llx, 0x%x bytes)",
                             entry_offset, kEntryWord, static_cast<unsigned long long>(code_start),
                             code->stored_size);
    }
    return code;
}

}  // namespace

Result<ProgramImage> ReadImage(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, "image");
    ProgramImage image;
    uint32_t first_section = 0, first_section_copy = 0;
    if (Result<void> ok = ReadHeader(in, image, first_section, first_section_copy); !ok) {
        return ok.error();
    }
    if (Result<void> ok = ReadLibraryTable(in, image); !ok) return ok.error();
    if (Result<void> ok = CheckFirstSection(in, first_section, first_section_copy); !ok) {
        return ok.error();
    }
    Result<std::vector<RawSection>> chain = ReadChain(in, first_section);
    if (!chain) return chain.error();
    if (Result<void> ok = CheckNamedHeaders(in, *chain); !ok) return ok.error();
    if (Result<void> ok = CheckFixupSectionLast(in, *chain); !ok) return ok.error();
    Result<const RawSection*> code = CodeWithEntry(in, bytes, *chain, image.entry_offset);
    if (!code) return code.error();
    if (Result<void> ok = ReadFixups(in, chain->back(), (*code)->stored_size, image); !ok) {
        return ok.error();
    }
    for (RawSection& raw : *chain) {
        image.header_offsets.push_back(raw.header_offset);
        image.data_offsets.push_back(raw.data_offset);
        if (raw.section.name != kFixupSection) image.sections.push_back(std::move(raw.section));
    }
    return image;
}

}  // namespace quorix::image
