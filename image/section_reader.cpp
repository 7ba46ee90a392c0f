// Reads the section chain. Each header is read with its relocation records and stored bytes
// before the next one, so that every field is checked against what the image holds.
#include <optional>
#include <string>

#include "image/section_reader.h"
#include "image/section_rules.h"

namespace quorix::image {

namespace {

using namespace layout;
namespace field = layout::section_field;

// The name field of the section header at `header_offset`, whose 24 bytes are `bytes`.
Result<std::string> ReadName(const ByteReader& in, std::span<const uint8_t> bytes,
                             uint32_t header_offset) {
    const size_t at = header_offset + field::kName;
    std::string name;
    size_t i = 0;
    for (; i < bytes.size() && bytes[i] != 0; ++i) {
        if (!IsNameByte(bytes[i])) {
            return in.FieldError(at + i,
                                 "name of section header at 0x%x has byte 0x%02x at 0x%zx, not "
                                 "printable ASCII",
                                 header_offset, bytes[i], at + i);
        }
        name.push_back(static_cast<char>(bytes[i]));
    }
    if (i == bytes.size()) {
        return in.FieldError(at, "name of section header at 0x%x fills all %u bytes with no NUL",
                             header_offset, kSectionNameSize);
    }
    if (name.empty()) {
        return in.FieldError(at, "section header at 0x%x has an empty name", header_offset);
    }
    for (; i < bytes.size(); ++i) {
        if (bytes[i] != 0) {
            return in.FieldError(at + i,
                                 "name of section header at 0x%x has byte 0x%02x after its NUL, "
                                 "at 0x%zx",
                                 header_offset, bytes[i], at + i);
        }
    }
    return name;
}

Result<void> ReadRelocations(ByteReader& in, RawSection& raw, uint32_t count) {
    const size_t at = in.offset();
    const Count records_count{count, raw.header_offset + field::kRelocationCount,
                              "relocation count"};
    Result<std::vector<uint32_t>> records = in.ReadU32Array(records_count);
    if (!records) return records.error();
    const Section& s = raw.section;
    for (size_t i = 0; i < records->size(); ++i) {
        const uint32_t record = (*records)[i];
        const size_t record_at = at + 4 * i;
        const Relocation r{record >> 3, static_cast<RelocationKind>(record & 7)};
        const std::optional<uint32_t> previous =
            i > 0 ? std::optional<uint32_t>(s.relocations.back().site) : std::nullopt;
        if (Result<void> ok = CheckRelocation(s.name, i, record & 7, r.site, previous,
                                              raw.stored_size, record_at, raw.header_offset);
            !ok) {
            return ok.error();
        }
        raw.section.relocations.push_back(r);
    }
    return {};
}

// The fixed 56 bytes of the header at the cursor into `raw`; returns its relocation count,
// checked against the header's size.
Result<uint32_t> ReadHeader(ByteReader& in, RawSection& raw) {
    raw.header_offset = static_cast<uint32_t>(in.offset());
    const uint32_t h = raw.header_offset;
    Result<std::span<const uint8_t>> header = in.ReadBytes(kSectionHeaderSize, "section header");
    if (!header) return header.error();
    const auto word = [&](uint32_t at) { return LoadU32(header->data() + at); };
    raw.header_size = word(field::kHeaderSize);
    raw.next = word(field::kNext);
    raw.section.flags = word(field::kFlags);
    Result<std::string> name = ReadName(in, header->subspan(field::kName, kSectionNameSize), h);
    if (!name) return name.error();
    raw.section.name = std::move(*name);
    raw.section.memory_size = word(field::kMemorySize);
    raw.stored_size = word(field::kStoredSize);
    raw.data_offset = word(field::kDataOffset);
    const uint32_t count = word(field::kRelocationCount);
    if (const uint32_t zero = word(field::kReserved); zero != 0) {
        return in.FieldError(h + field::kReserved,
                             "reserved word of section header at 0x%x is 0x%x, not zero", h, zero);
    }
    if (count > kMaxRelocations) {
        return in.FieldError(h + field::kRelocationCount,
                             "relocation count 0x%x of section \"%s\" at 0x%x overflows the "
                             "32-bit header size 56 + 4 x count",
                             count, raw.section.name.c_str(), h + field::kRelocationCount);
    }
    if (raw.header_size != kSectionHeaderSize + 4 * count) {
        return in.FieldError(h + field::kHeaderSize,
                             "header size 0x%x of section \"%s\" at 0x%x is not 56 + 4 x "
                             "relocation count 0x%x",
                             raw.header_size, raw.section.name.c_str(), h, count);
    }
    return count;
}

// The stored bytes, right after the header and its relocation records, no more than the
// section's memory size.
Result<void> ReadStoredBytes(ByteReader& in, RawSection& raw) {
    const uint32_t h = raw.header_offset;
    const char* name_c = raw.section.name.c_str();
    raw.section.stored = raw.data_offset != kNoOffset;
    if (!raw.section.stored && raw.stored_size != 0) {
        return in.FieldError(h + field::kStoredSize,
                             "section \"%s\" at 0x%x stores 0x%x bytes but its data offset is "
                             "0xFFFFFFFF",
                             name_c, h, raw.stored_size);
    }
    if (raw.section.stored && uint64_t{raw.data_offset} != uint64_t{h} + raw.header_size) {
        return in.FieldError(h + field::kDataOffset,
                             "data offset 0x%x of section \"%s\" at 0x%x is not 0x%llx, right "
                             "after its header",
                             raw.data_offset, name_c, h,
                             static_cast<unsigned long long>(uint64_t{h} + raw.header_size));
    }
    Result<std::span<const uint8_t>> data =
        in.ReadArray(Count{raw.stored_size, h + field::kStoredSize, "stored size"}, 1);
    if (!data) return data.error();
    raw.section.data.assign(data->begin(), data->end());
    if (raw.stored_size > raw.section.memory_size) {
        return in.FieldError(h + field::kStoredSize,
                             "stored size 0x%x of section \"%s\" at 0x%x exceeds its memory size "
                             "0x%x",
                             raw.stored_size, name_c, h, raw.section.memory_size);
    }
    return {};
}

// The next header, if any, starts right after this section's stored bytes.
Result<void> CheckNext(const ByteReader& in, const RawSection& raw) {
    if (raw.next == kNoOffset) return {};
    const uint32_t h = raw.header_offset;
    if (raw.next >= in.size()) {
        return in.FieldError(h + field::kNext,
                             "next section header offset 0x%x of section \"%s\" at 0x%x is "
                             "past the end of the image of size 0x%zx",
                             raw.next, raw.section.name.c_str(), h + field::kNext, in.size());
    }
    if (raw.next != in.offset()) {
        return in.FieldError(h + field::kNext,
                             "next section header offset 0x%x of section \"%s\" at 0x%x is "
                             "not 0x%zx, right after its stored bytes",
                             raw.next, raw.section.name.c_str(), h + field::kNext, in.offset());
    }
    return {};
}

// Reads one section header with its relocation records and stored bytes, leaving the cursor
// right after the stored bytes.
Result<RawSection> ReadSection(ByteReader& in) {
    RawSection raw;
    Result<uint32_t> count = ReadHeader(in, raw);
    if (!count) return count.error();
    if (Result<void> ok = ReadRelocations(in, raw, *count); !ok) return ok.error();
    if (Result<void> ok = ReadStoredBytes(in, raw); !ok) return ok.error();
    if (Result<void> ok = CheckNext(in, raw); !ok) return ok.error();
    return raw;
}

}  // namespace

Result<std::vector<RawSection>> ReadChain(ByteReader& in, uint32_t first_section) {
    std::vector<RawSection> chain;
    if (Result<void> ok = in.Seek(first_section, "first section header offset"); !ok) {
        return ok.error();
    }
    for (;;) {
        if (chain.size() == kMaxSections) {
            return in.FieldError(in.offset(), "section chain from 0x%x has more than %zu sections",
                                 first_section, kMaxSections);
        }
        Result<RawSection> raw = ReadSection(in);
        if (!raw) return raw.error();
        for (const RawSection& earlier : chain) {
            if (earlier.section.name == raw->section.name) {
                return in.FieldError(raw->header_offset + field::kName,
                                     "section name \"%s\" at 0x%x repeats the section at 0x%x",
                                     raw->section.name.c_str(), raw->header_offset,
                                     earlier.header_offset);
            }
        }
        const bool last = raw->next == kNoOffset;
        chain.push_back(std::move(*raw));
        if (last) return chain;
    }
}

}  // namespace quorix::image
