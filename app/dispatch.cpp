// The program's one entry for the runtime: runs a routine by the offset of its record.
#include <cstring>

#include "app/program.h"
#include "runtime/code_format.h"

namespace quorix::app {
namespace {

RoutineFn RoutineById(uint32_t id) {
    switch (id) {
#define QUORIX_ROUTINE_CASE(rid, name) \
    case rid:                          \
        return &name;
        QUORIX_ROUTINES(QUORIX_ROUTINE_CASE)
#undef QUORIX_ROUTINE_CASE
        default:
            return nullptr;
    }
}

}  // namespace
}  // namespace quorix::app

extern "C" QX_EXPORT int32_t QuorixRunRoutine(uint32_t code_offset, const int32_t* args,
                                              uint32_t argc, const QxHostContext* context) {
    using namespace quorix;
    if (!rt::Bind(context)) return 1;
    if (uint64_t{code_offset} + 12 > context->code_size) return 1;
    const uint8_t* record = context->memory_base + context->code_addr + code_offset;
    uint32_t magic, id;
    std::memcpy(&magic, record, 4);
    std::memcpy(&id, record + 4, 4);
    if (magic != code::kRoutineMagic) return 1;
    const app::RoutineFn fn = app::RoutineById(id);
    if (fn == nullptr) return 1;
    rt::SetConstantAddresses(app::Address(app::Ref::EmptyText),
                             app::Address(app::Ref::EmptyBinary));
    try {
        fn(app::EventArgs{args, argc});
    } catch (const rt::ProgramEnding&) {
        // The window was closed while the routine ran; it has unwound and released its texts.
    }
    return 0;
}
