// The text of the help tab: how the program works, its drawbacks and advantages, and whom to
// contact. UTF-8 here; the window description stores it as GBK.
#pragma once

#include <string>

namespace quorix::app {

// Thirteen lines joined by CR LF, with blank lines between the paragraphs.
std::string HelpText();

}  // namespace quorix::app
