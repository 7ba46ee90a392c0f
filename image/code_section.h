// The records of the program's `code` section, written by the image builder and read by the
// runtime's loader and by the program itself, all through this one layout and reader.
//
// The program's routines are native functions in the executable; the code section describes
// them so that the runtime can find and call them by offset. All words are little-endian u32.
//
//   offset 0   code header (kCodeHeaderWords words):
//              magic "QXCD", version, routine count, offset of the first routine record,
//              reference count, reference table offset, operand count, operand table offset,
//              stub count, stub table offset
//   routine records, back to back. Each: magic "QXRT", routine id, name length, name (ASCII).
//              A handler offset in the window description is the offset of its record.
//   reference table: one word per program address the routines use. Each word is stored as an
//              offset into its target block and carries a relocation record, so after loading it
//              holds the program address of a constant, a global variable or a routine.
//   operand table: the window IDs, unit IDs, unit types, library indices and data types the
//              routines pass to the runtime. Every word is listed in the fix-up lists.
//   service stubs, at the very end: 6 bytes each, FF 25 and a word holding the byte offset of
//              an entry-table slot (relocated by kind 0). The routines reach every service only
//              through these stubs.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "image/bytes.h"
#include "image/result.h"

namespace quorix::code {

constexpr uint32_t kCodeMagic = 0x44435851;     // "QXCD"
constexpr uint32_t kRoutineMagic = 0x54525851;  // "QXRT"
constexpr uint32_t kCodeVersion = 1;
constexpr uint32_t kCodeHeaderWords = 10;
constexpr uint32_t kStubSize = 6;
constexpr uint8_t kStubOpcode[2] = {0xFF, 0x25};
constexpr uint32_t kStubWord = sizeof kStubOpcode;  // where a stub's word sits in the stub
constexpr uint32_t kMaxRoutineName = 64;

enum CodeHeaderWord : uint32_t {
    kHdrMagic = 0,
    kHdrVersion,
    kHdrRoutineCount,
    kHdrRoutineOffset,
    kHdrReferenceCount,
    kHdrReferenceOffset,
    kHdrOperandCount,
    kHdrOperandOffset,
    kHdrStubCount,
    kHdrStubOffset,
};

// Service stubs in stub-table order, as entry-table slot numbers.
constexpr uint32_t kStubSlots[] = {9, 10, 11, 12, 8, 5, 4, 3, 2, 6};
constexpr uint32_t kStubCount = sizeof kStubSlots / sizeof kStubSlots[0];

// Where each field of a routine record sits, from the record's first byte.
namespace routine_field {
inline constexpr uint32_t kMagic = 0;       // kRoutineMagic
inline constexpr uint32_t kId = 4;          // the routine's id; ids are append-only
inline constexpr uint32_t kNameLength = 8;  // at most kMaxRoutineName
inline constexpr uint32_t kName = 12;       // ASCII, no NUL; the next record follows it
}  // namespace routine_field
inline constexpr uint32_t kRoutineRecordSize = routine_field::kName;  // without its name

struct RoutineRecord {
    uint32_t id = 0;
    std::string_view name;  // views the code bytes the record was read from
};

// Appends the record of routine `id` named `name` (at most kMaxRoutineName bytes).
void WriteRoutineRecord(image::ByteWriter& out, uint32_t id, std::string_view name);

// The routine record at `offset` of `code`: its magic is kRoutineMagic and its name, of at most
// kMaxRoutineName bytes, ends inside the code. Errors are placed at the offending field's offset
// within `code`.
image::Result<RoutineRecord> ReadRoutineRecord(std::span<const uint8_t> code, uint32_t offset);

// The code header, without its magic and version (which the reader checks).
struct CodeHeader {
    uint32_t routine_count = 0, routine_offset = 0;
    uint32_t reference_count = 0, reference_offset = 0;
    uint32_t operand_count = 0, operand_offset = 0;
    uint32_t stub_count = 0, stub_offset = 0;
};

// Overwrites the kCodeHeaderWords words at the start of `out`, which must already hold them.
image::Result<void> PatchCodeHeader(image::ByteWriter& out, const CodeHeader& header);

// Reads and checks the code header: magic and version are this program's, the reference and
// operand tables are word-aligned arrays inside the code, and the stub table holds kStubCount
// stubs inside the code.
image::Result<CodeHeader> ReadCodeHeader(std::span<const uint8_t> code);

// Appends a service stub that jumps through the entry-table slot at byte `slot_offset` of the
// entry table, and returns the code offset of its word (which a kind-0 relocation makes the
// slot's program address).
uint32_t WriteStub(image::ByteWriter& out, uint32_t slot_offset);

// The word of service stub `index` (an entry-table slot's offset before loading, its program
// address after), for a header ReadCodeHeader accepted. Fails when the stub's opcode is not
// kStubOpcode.
image::Result<uint32_t> ReadStubWord(std::span<const uint8_t> code, const CodeHeader& header,
                                     uint32_t index);

}  // namespace quorix::code
