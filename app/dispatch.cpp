// The program's one entry for the runtime: runs a routine by the offset of its record.
#include "app/dispatch.h"

#include <cstdio>
#include <exception>
#include <new>
#include <span>

#include "image/code_section.h"

namespace quorix::app {
namespace {

struct NamedRoutine {
    RoutineFn fn = nullptr;
    const char* name = nullptr;
};

NamedRoutine RoutineById(uint32_t id) {
    switch (id) {
#define QUORIX_ROUTINE_CASE(rid, routine) \
    case rid:                             \
        return {&routine, #routine};
        QUORIX_ROUTINES(QUORIX_ROUTINE_CASE)
#undef QUORIX_ROUTINE_CASE
        default:
            return {};
    }
}

int32_t Failed(const char* name, const char* what) {
    std::fprintf(stderr, "quorix: routine %s failed: %s\n", name, what);
    return QX_ROUTINE_FAILED;
}

}  // namespace

int32_t RunRoutine(RoutineFn fn, const char* name, const EventArgs& args) noexcept {
    try {
        fn(args);
    } catch (const rt::ProgramEnding&) {
        // The window was closed while the routine ran; it has unwound and released its texts.
    } catch (const std::bad_alloc&) {
        return Failed(name, "out of memory");
    } catch (const std::exception& e) {
        return Failed(name, e.what());
    } catch (...) {
        return Failed(name, "an unknown exception");
    }
    return QX_ROUTINE_RAN;
}

}  // namespace quorix::app

extern "C" QX_EXPORT int32_t QuorixRunRoutine(uint32_t code_offset, const int32_t* args,
                                              uint32_t argc, const QxHostContext* context) {
    using namespace quorix;
    if (!rt::Bind(context)) return QX_ROUTINE_NOT_FOUND;
    const std::span<const uint8_t> code(context->memory_base + context->code_addr,
                                        context->code_size);
    const image::Result<code::RoutineRecord> record = code::ReadRoutineRecord(code, code_offset);
    if (!record) return QX_ROUTINE_NOT_FOUND;
    const app::NamedRoutine routine = app::RoutineById(record->id);
    if (routine.fn == nullptr) return QX_ROUTINE_NOT_FOUND;
    rt::SetConstantAddresses(app::Address(app::Ref::EmptyText),
                             app::Address(app::Ref::EmptyBinary));
    return app::RunRoutine(routine.fn, routine.name, app::EventArgs{args, argc});
}
