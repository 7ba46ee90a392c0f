// The binary contract between the program (`quorix`) and the core runtime (`krnln.fnr`).
//
// Both sides include this header. Everything here is C so that the loader, the runtime and
// the program agree on it whatever compiler built each of them. Numbers that are stored in
// the program image (slot numbers, type words) are explicit and never renumbered.
#ifndef QUORIX_RUNTIME_ABI_H
#define QUORIX_RUNTIME_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define QX_EXPORT __declspec(dllexport)
#else
#define QX_EXPORT __attribute__((visibility("default")))
#endif

// A program address: a 32-bit offset into program memory. 0 means "no address".
typedef uint32_t QxAddr;

// The number the loader passes to GetNewSock: the version of this hand-off protocol.
#define QX_HANDOFF_VERSION 1000

// Start entry: runs the program in `image` (the first byte of the image header) and returns
// when it has ended. `image_size` bounds every offset the runtime reads. The result is 0
// after a normal run and non-zero when the image was refused.
typedef int32_t (*QxStartEntry)(const void* image, uint32_t image_size);

// Exported by the runtime library under this name. Returns the start entry, or null when the
// runtime does not speak the loader's protocol version.
typedef QxStartEntry (*QxGetNewSockFn)(int32_t protocol);
#define QX_GET_NEW_SOCK_NAME "GetNewSock"

// ---------------------------------------------------------------------------------------
// Runtime entry table: 13 slots. The numbers are the slot numbers of the image layout.
enum QxSlot {
    QX_SLOT_CALL_LIBRARY_COMMAND = 2,
    QX_SLOT_CALL_CORE_COMMAND = 3,
    QX_SLOT_READ_PROPERTY = 4,
    QX_SLOT_WRITE_PROPERTY = 5,
    QX_SLOT_ALLOCATE_BLOCK = 6,
    QX_SLOT_FREE_BLOCK = 8,
    QX_SLOT_END_PROGRAM = 9,
    QX_SLOT_RUN_MESSAGE_LOOP = 10,
    QX_SLOT_OPEN_START_WINDOW = 11,
    QX_SLOT_HOST_SERVICE = 12,
    QX_SLOT_COUNT = 13
};

// Service signatures, one per used slot. An argument block is a u32 argument count N
// followed by N triples (low word, high word, type word); it lives in the caller's memory and
// the caller removes it after the call. Results of commands are (low | high << 32).
typedef uint64_t (*QxCallLibraryCommandFn)(uint32_t library_index, uint32_t command,
                                           const uint32_t* argument_block);
typedef uint64_t (*QxCallCoreCommandFn)(uint32_t command, const uint32_t* argument_block);
typedef uint32_t (*QxReadPropertyFn)(uint32_t window_id, uint32_t unit_id, uint32_t property,
                                     int32_t member);
typedef void (*QxWritePropertyFn)(uint32_t window_id, uint32_t unit_id, uint32_t property,
                                  int32_t member, uint32_t value_low, uint32_t value_high);
typedef QxAddr (*QxAllocateBlockFn)(uint32_t byte_count);
typedef void (*QxFreeBlockFn)(QxAddr block);
typedef void (*QxEndProgramFn)(uint32_t code);
typedef void (*QxRunMessageLoopFn)(uint32_t unused);
typedef void (*QxOpenStartWindowFn)(uint32_t window_id);
typedef void (*QxHostServiceFn)(uint32_t service, uint32_t argument);

// HostService numbers.
#define QX_HOST_SERVICE_REGISTER_SHUTDOWN 3

// A slot holds one of the function types above; the caller casts it to the slot's type.
typedef void (*QxServiceFn)(void);

// What the runtime hands to every routine call.
typedef struct QxHostContext {
    uint32_t struct_size;                 // sizeof(QxHostContext), checked by the program
    uint8_t* memory_base;                 // host address of program address 0
    const volatile uint32_t* memory_end;  // program addresses at or past this are unmapped
    QxAddr const_addr;
    QxAddr form_addr;
    QxAddr help_addr;
    QxAddr code_addr;
    QxAddr var_addr;
    uint32_t code_size;
    QxServiceFn entry_table[QX_SLOT_COUNT];  // the runtime entry table; slots 0, 1 and 7 are null
} QxHostContext;

// Exported by the main program. Runs the routine whose record starts at `code_offset` in the
// code section, with `argc` 32-bit arguments. Returns one of the QX_ROUTINE_ results; no
// exception ever leaves it.
typedef int32_t (*QxRunRoutineFn)(uint32_t code_offset, const int32_t* args, uint32_t argc,
                                  const QxHostContext* context);
// The routine ran (or ended early because the window was closed meanwhile).
#define QX_ROUTINE_RAN 0
// No routine record starts at that offset, or the context does not fit the program.
#define QX_ROUTINE_NOT_FOUND 1
// The routine failed and cannot go on (it has said why on standard error): the runtime ends
// the program as for any fatal error.
#define QX_ROUTINE_FAILED 2
#define QX_RUN_ROUTINE_NAME "QuorixRunRoutine"

// ---------------------------------------------------------------------------------------
// Argument type words.
#define QX_ARG_INT 0x80000301u
#define QX_ARG_BOOL 0x80000002u
#define QX_ARG_DOUBLE 0x80000601u
#define QX_ARG_TEXT 0x80000004u
#define QX_ARG_BINARY 0x80000005u
#define QX_ARG_OMITTED 0u

// Unit types and data types: library number (1-based row of the library table) << 16 | type.
// quorix::abi::DecodeType splits a type code into the two again.
#define QX_TYPE_SHIFT 16
#define QX_TYPE(library, type) ((uint32_t)(((library) << QX_TYPE_SHIFT) | (type)))

#ifdef __cplusplus
}
#endif

#endif  // QUORIX_RUNTIME_ABI_H
