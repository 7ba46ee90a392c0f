// The code section's records: what the writer lays out reads back, and each malformed field is
// refused with its own message at its own offset.
#include "image/code_section.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quorix::code {
namespace {

using image::ByteWriter;

struct Written {
    std::vector<uint8_t> bytes;
    CodeHeader header;
    std::vector<uint32_t> record_offsets;
};

// A small code section: header, three routine records, two reference words, one operand, and
// the stubs.
Written SmallCode() {
    Written out;
    ByteWriter w;
    w.Zeros(4 * kCodeHeaderWords);
    out.header.routine_count = 3;
    out.header.routine_offset = static_cast<uint32_t>(w.size());
    const std::string names[] = {"StartProgram", "", std::string(kMaxRoutineName, 'x')};
    for (uint32_t i = 0; i < 3; ++i) {
        out.record_offsets.push_back(static_cast<uint32_t>(w.size()));
        WriteRoutineRecord(w, 40 + i, names[i]);
    }
    while (w.size() % 4 != 0) w.U8(0);
    out.header.reference_count = 2;
    out.header.reference_offset = static_cast<uint32_t>(w.size());
    w.U32(7);
    w.U32(9);
    out.header.operand_count = 1;
    out.header.operand_offset = static_cast<uint32_t>(w.size());
    w.U32(0x00010005);
    out.header.stub_count = kStubCount;
    out.header.stub_offset = static_cast<uint32_t>(w.size());
    for (uint32_t slot : kStubSlots) WriteStub(w, 4 * slot);
    EXPECT_TRUE(PatchCodeHeader(w, out.header).ok());
    out.bytes = std::move(w).Take();
    return out;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    image::StoreU32(bytes.data() + at, v);
}

// Writes `header` over the code header of `bytes`.
void Repatch(std::vector<uint8_t>& bytes, const CodeHeader& header) {
    ByteWriter w;
    w.Bytes(bytes);
    ASSERT_TRUE(PatchCodeHeader(w, header).ok());
    bytes = std::move(w).Take();
}

TEST(CodeSection, WhatTheWriterLaysOutReadsBack) {
    const Written code = SmallCode();
    const image::Result<CodeHeader> header = ReadCodeHeader(code.bytes);
    ASSERT_TRUE(header.ok()) << header.error().message;
    EXPECT_EQ(header->routine_offset, code.header.routine_offset);
    EXPECT_EQ(header->reference_count, 2u);
    EXPECT_EQ(header->reference_offset, code.header.reference_offset);
    EXPECT_EQ(header->operand_offset, code.header.operand_offset);
    EXPECT_EQ(header->stub_offset, code.header.stub_offset);

    const std::string names[] = {"StartProgram", "", std::string(kMaxRoutineName, 'x')};
    for (uint32_t i = 0; i < 3; ++i) {
        const auto record = ReadRoutineRecord(code.bytes, code.record_offsets[i]);
        ASSERT_TRUE(record.ok()) << record.error().message;
        EXPECT_EQ(record->id, 40 + i);
        EXPECT_EQ(record->name, names[i]);
    }
    for (uint32_t i = 0; i < kStubCount; ++i) {
        const auto word = ReadStubWord(code.bytes, *header, i);
        ASSERT_TRUE(word.ok()) << word.error().message;
        EXPECT_EQ(*word, 4 * kStubSlots[i]);
    }
}

struct Defect {
    const char* name;
    std::function<void(const Written&, std::vector<uint8_t>&)> damage;
    std::function<image::Error(const Written&, const std::vector<uint8_t>&)> read;
    const char* message;
    std::function<uint32_t(const Written&)> offset;
};

image::Error RecordError(const std::vector<uint8_t>& bytes, uint32_t offset) {
    const auto r = ReadRoutineRecord(bytes, offset);
    return r.ok() ? image::Error{"read", 0xFFFFFFFF} : r.error();
}
image::Error HeaderError(const std::vector<uint8_t>& bytes) {
    const auto r = ReadCodeHeader(bytes);
    return r.ok() ? image::Error{"read", 0xFFFFFFFF} : r.error();
}

TEST(CodeSection, EachMalformedFieldIsRefusedAtItsOffset) {
    const auto first = [](const Written& c) { return c.record_offsets[0]; };
    const auto read_first = [](const Written& c, const std::vector<uint8_t>& b) {
        return RecordError(b, c.record_offsets[0]);
    };
    const Defect defects[] = {
        {"RoutineMagicDamaged",
         [](const Written& c, auto& b) { Put32(b, c.record_offsets[0], 0x54525850); }, read_first,
         "no routine record starts", first},
        {"RoutineNameTooLong",
         [](const Written& c, auto& b) {
             Put32(b, c.record_offsets[0] + routine_field::kNameLength, kMaxRoutineName + 1);
         },
         read_first, "over the limit",
         [](const Written& c) { return c.record_offsets[0] + routine_field::kNameLength; }},
        {"RoutineNamePastTheEnd",
         [](const Written& c, auto& b) { b.resize(c.record_offsets[2] + kRoutineRecordSize + 3); },
         [](const Written& c, const auto& b) { return RecordError(b, c.record_offsets[2]); },
         "past the end of the code",
         [](const Written& c) { return c.record_offsets[2] + routine_field::kNameLength; }},
        {"RoutineRecordCutShort",
         [](const Written& c, auto& b) { b.resize(c.record_offsets[1] + routine_field::kId + 2); },
         [](const Written& c, const auto& b) { return RecordError(b, c.record_offsets[1]); },
         "past the end of the code",
         [](const Written& c) { return c.record_offsets[1] + routine_field::kId; }},
        {"RoutineRecordPastTheEnd", [](const Written&, auto&) {},
         [](const Written&, const auto& b) {
             return RecordError(b, static_cast<uint32_t>(b.size() + 1));
         },
         "past the end of the code", [](const Written&) { return 0u; }},
        {"StubOpcodeDamaged", [](const Written& c, auto& b) { b[c.header.stub_offset] = 0x90; },
         [](const Written& c, const auto& b) {
             const auto r = ReadStubWord(b, c.header, 0);
             return r.ok() ? image::Error{"read", 0xFFFFFFFF} : r.error();
         },
         "does not start with FF 25", [](const Written& c) { return c.header.stub_offset; }},
        {"CodeMagicDamaged", [](const Written&, auto& b) { Put32(b, 0, 0); },
         [](const Written&, const auto& b) { return HeaderError(b); }, "not this runtime's",
         [](const Written&) { return 0u; }},
        {"CodeVersionUnknown", [](const Written&, auto& b) { Put32(b, 4 * kHdrVersion, 2); },
         [](const Written&, const auto& b) { return HeaderError(b); }, "not this runtime's",
         [](const Written&) { return 0u; }},
        {"StubCountWrong",
         [](const Written& c, auto& b) {
             CodeHeader h = c.header;
             h.stub_count = kStubCount - 1;
             Repatch(b, h);
         },
         [](const Written&, const auto& b) { return HeaderError(b); }, "service stubs, not",
         [](const Written&) { return 4u * kHdrStubCount; }},
        {"ReferenceTablePastTheEnd",
         [](const Written& c, auto& b) {
             CodeHeader h = c.header;
             h.reference_count = 1000;
             Repatch(b, h);
         },
         [](const Written&, const auto& b) { return HeaderError(b); }, "past the end of the code",
         [](const Written&) { return 4u * kHdrReferenceCount; }},
    };
    for (const Defect& d : defects) {
        const Written code = SmallCode();
        std::vector<uint8_t> bytes = code.bytes;
        d.damage(code, bytes);
        const image::Error error = d.read(code, bytes);
        EXPECT_NE(error.message.find(d.message), std::string::npos)
            << d.name << ": " << error.message;
        EXPECT_EQ(error.offset, d.offset(code)) << d.name << ": " << error.message;
    }
}

}  // namespace
}  // namespace quorix::code
