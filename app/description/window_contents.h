// What each control shows at start: captions, texts, items, fonts, pictures, as the type
// block of its kind.
#pragma once

#include <string>

#include "app/units.h"

namespace quorix::app {

// The type block of unit `u`; empty means the kind's defaults.
std::string TypeBlockOf(Unit u);

}  // namespace quorix::app
