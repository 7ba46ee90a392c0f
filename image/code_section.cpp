// The code section's writer and checked reader. Every read goes through a ByteReader over the
// code bytes, so each failure names its field, its offset and the code's size.
#include "image/code_section.h"

namespace quorix::code {

using image::ByteReader;
using image::ByteWriter;
using image::Count;
using image::Result;

void WriteRoutineRecord(ByteWriter& out, uint32_t id, std::string_view name) {
    static_assert(routine_field::kMagic == 0 && routine_field::kId == 4 &&
                      routine_field::kNameLength == 8 && routine_field::kName == 12,
                  "the writer lays the fields out in this order");
    out.U32(kRoutineMagic);
    out.U32(id);
    out.U32(static_cast<uint32_t>(name.size()));
    out.Bytes(image::AsBytes(name));
}

Result<RoutineRecord> ReadRoutineRecord(std::span<const uint8_t> code, uint32_t offset) {
    ByteReader in(code, "code");
    QUORIX_TRY(in.Seek(offset, "routine record offset"));
    QUORIX_TRY_VALUE(magic, in.ReadU32("routine record magic"));
    if (magic != kRoutineMagic) {
        return in.FieldError(offset + routine_field::kMagic,
                             "no routine record starts at 0x%x: its magic is 0x%08x", offset,
                             magic);
    }
    RoutineRecord record;
    QUORIX_TRY_VALUE(id, in.ReadU32("routine id"));
    record.id = id;
    QUORIX_TRY_VALUE(length, in.ReadCount("routine name length"));
    if (length.value > kMaxRoutineName) {
        return in.FieldError(
            length.offset, "routine name length %llu at 0x%zx is over the limit of %u",
            static_cast<unsigned long long>(length.value), length.offset, kMaxRoutineName);
    }
    QUORIX_TRY_VALUE(name, in.ReadArray(length, 1));
    record.name = std::string_view(reinterpret_cast<const char*>(name.data()), name.size());
    return record;
}

Result<void> PatchCodeHeader(ByteWriter& out, const CodeHeader& header) {
    const uint32_t words[kCodeHeaderWords] = {
        kCodeMagic,
        kCodeVersion,
        header.routine_count,
        header.routine_offset,
        header.reference_count,
        header.reference_offset,
        header.operand_count,
        header.operand_offset,
        header.stub_count,
        header.stub_offset,
    };
    for (uint32_t i = 0; i < kCodeHeaderWords; ++i) QUORIX_TRY(out.PatchU32(4 * i, words[i]));
    return {};
}

namespace {

// The table of `count` elements of `size` bytes at `offset` lies inside the code.
Result<void> CheckTable(ByteReader& in, uint32_t count_word, uint32_t count, uint32_t offset,
                        size_t size, const char* what) {
    QUORIX_TRY(in.Seek(offset, what));
    QUORIX_TRY(in.ReadArray(Count{count, size_t{4} * count_word, what}, size));
    return {};
}

}  // namespace

Result<CodeHeader> ReadCodeHeader(std::span<const uint8_t> code) {
    ByteReader in(code, "code");
    QUORIX_TRY_VALUE(words, in.ReadBytes(4 * kCodeHeaderWords, "code header"));
    const auto word = [&](CodeHeaderWord w) { return image::LoadU32(words.data() + 4 * w); };
    if (word(kHdrMagic) != kCodeMagic || word(kHdrVersion) != kCodeVersion) {
        return in.FieldError(0,
                             "the code header's magic 0x%08x and version %u are not this "
                             "runtime's 0x%08x and %u",
                             word(kHdrMagic), word(kHdrVersion), kCodeMagic, kCodeVersion);
    }
    const CodeHeader h{word(kHdrRoutineCount),    word(kHdrRoutineOffset), word(kHdrReferenceCount),
                       word(kHdrReferenceOffset), word(kHdrOperandCount),  word(kHdrOperandOffset),
                       word(kHdrStubCount),       word(kHdrStubOffset)};
    if (h.reference_offset % 4 != 0 || h.operand_offset % 4 != 0) {
        return in.FieldError(
            4 * (h.reference_offset % 4 != 0 ? kHdrReferenceOffset : kHdrOperandOffset),
            "the reference table at 0x%x or the operand table at 0x%x is not "
            "word-aligned",
            h.reference_offset, h.operand_offset);
    }
    if (h.stub_count != kStubCount) {
        return in.FieldError(4 * kHdrStubCount, "the code has %u service stubs, not %u",
                             h.stub_count, kStubCount);
    }
    QUORIX_TRY(CheckTable(in, kHdrReferenceCount, h.reference_count, h.reference_offset, 4,
                          "reference table"));
    QUORIX_TRY(
        CheckTable(in, kHdrOperandCount, h.operand_count, h.operand_offset, 4, "operand table"));
    QUORIX_TRY(CheckTable(in, kHdrStubCount, h.stub_count, h.stub_offset, kStubSize, "stub table"));
    return h;
}

uint32_t WriteStub(ByteWriter& out, uint32_t slot_offset) {
    out.Bytes(kStubOpcode);
    const auto word_at = static_cast<uint32_t>(out.size());
    out.U32(slot_offset);
    return word_at;
}

Result<uint32_t> ReadStubWord(std::span<const uint8_t> code, const CodeHeader& header,
                              uint32_t index) {
    ByteReader in(code, "code");
    const uint64_t at = header.stub_offset + uint64_t{index} * kStubSize;
    QUORIX_TRY(in.Seek(at, "service stub"));
    QUORIX_TRY_VALUE(opcode, in.ReadBytes(sizeof kStubOpcode, "service stub opcode"));
    if (opcode[0] != kStubOpcode[0] || opcode[1] != kStubOpcode[1]) {
        return in.FieldError(at, "service stub %u at 0x%llx does not start with FF 25", index,
                             static_cast<unsigned long long>(at));
    }
    return in.ReadU32("service stub slot word");
}

}  // namespace quorix::code
