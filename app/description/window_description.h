// The start window as data: every unit with its place, contents and event bindings.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "image/form.h"

namespace quorix::app {

// The window description, with each bound event pointing at its routine's record.
form::Form DescribeStartWindow(const std::map<uint32_t, uint32_t>& routine_offsets);
image::Result<std::vector<uint8_t>> WriteStartWindow(
    const std::map<uint32_t, uint32_t>& routine_offsets);

}  // namespace quorix::app
