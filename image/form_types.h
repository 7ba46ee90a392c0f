// Type blocks: the properties of each kind of unit, as stored at the end of its unit block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "image/result.h"

namespace quorix::form {

// The start window's own unit: fifteen option words, eight zero words, the caption as a
// counted text, and a final zero word.
struct WindowProps {
    std::array<uint32_t, 15> options = {6, 2, 1, 0x00FFFFFF, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0, 1};
    std::string caption;  // GBK
    bool operator==(const WindowProps&) const = default;
};

std::string EncodeWindow(const WindowProps& props);
image::Result<WindowProps> DecodeWindow(const std::string& type_block);

}  // namespace quorix::form
