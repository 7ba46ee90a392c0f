// Commands of the support libraries that act on objects rather than on controls.
#pragma once

#include <cstdint>

#include "host/krnln/args.h"

namespace quorix::host {

class Runtime;

// RegEx: create, compile, replace, destroy a regular-expression object.
uint64_t RegExCommand(Runtime& runtime, uint32_t command, const ArgView& args);

}  // namespace quorix::host
