// Layout of the program's `code` section.
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

namespace quorix::code {

constexpr uint32_t kCodeMagic = 0x44435851;     // "QXCD"
constexpr uint32_t kRoutineMagic = 0x54525851;  // "QXRT"
constexpr uint32_t kCodeVersion = 1;
constexpr uint32_t kCodeHeaderWords = 10;
constexpr uint32_t kStubSize = 6;
constexpr uint8_t kStubOpcode[2] = {0xFF, 0x25};
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

}  // namespace quorix::code
