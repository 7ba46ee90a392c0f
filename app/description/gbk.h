// Texts of the image are stored in GB18030 (every GBK text has the same bytes). The window
// description and the constants are written in UTF-8 source and converted when the image is
// built.
#pragma once

#include <string>
#include <string_view>

namespace quorix::app {

// The GB18030 bytes of a UTF-8 text. Aborts on text that cannot be converted: the image is
// built from our own sources, so that is a programming error.
std::string ToGbk(std::string_view utf8);

}  // namespace quorix::app
