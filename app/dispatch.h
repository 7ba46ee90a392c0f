// The edge between the runtime and the program's routines.
#pragma once

#include <cstdint>

#include "app/program.h"

namespace quorix::app {

// Runs routine `fn` (named `name`) for the runtime, whose frames above it are C: no exception
// leaves it. A window closed while the routine ran unwinds it and counts as a normal end
// (QX_ROUTINE_RAN). Any other exception (memory exhausted) is reported on standard error and
// gives QX_ROUTINE_FAILED, on which the runtime ends the program.
int32_t RunRoutine(RoutineFn fn, const char* name, const EventArgs& args) noexcept;

}  // namespace quorix::app
