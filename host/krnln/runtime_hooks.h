// Test support: what a test or a benchmark may have the runtime call at its turning points.
// The runtime only reads these; nothing in the program sets them.
#pragma once

#include <functional>

#include "runtime/abi.h"

namespace quorix::host {

class Runtime;

struct RuntimeHooks {
    std::function<void()> on_loop_started;   // once, when the message loop has started
    std::function<void()> on_pump;           // before a pump lets events run
    std::function<void()> on_pump_done;      // after they ran
    std::function<void(Runtime&)> on_ended;  // after the shutdown routine, before teardown
    bool pump_every_call = false;            // pump on every DoEvents, not every few ms
};

// Replaces the hooks. With pump_every_call, a running runtime pumps at its next DoEvents.
// Exported from the runtime library for the test harness and the benchmarks.
QX_EXPORT void SetRuntimeHooks(RuntimeHooks hooks);
QX_EXPORT const RuntimeHooks& GetRuntimeHooks();

}  // namespace quorix::host
