// Numbers as both sides of the runtime boundary convert them: the program's routines and the
// runtime's argument reader give every number the same integer.
#pragma once

#include <cstdint>
#include <limits>

namespace quorix::rt {

// A number as a 32-bit integer: truncated toward zero. Values beyond the range (infinities
// included) give its nearest end; NaN, which has no integer, gives 0.
constexpr int32_t ToInteger(double value) {
    if (value != value) return 0;  // NaN
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace quorix::rt
