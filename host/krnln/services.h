// The services behind the runtime entry table, and the core library's own commands.
#pragma once

#include <string_view>

#include "runtime/abi.h"

namespace quorix::host {

// Fills the 13 slots of the runtime entry table; slots this runtime does not serve are null.
void FillEntryTable(QxServiceFn* table);

// The runtime's text-to-number conversion: the leading decimal number, 0 when there is none.
double TextToNumber(std::string_view text);

}  // namespace quorix::host
