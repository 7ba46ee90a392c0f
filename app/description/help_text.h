// The text of the help tab: how the program works, its drawbacks and advantages, and whom to
// contact. UTF-8 here; the window description stores it as GBK.
#pragma once

#include <string>

namespace quorix::app {

// Thirteen lines joined by CR LF, with blank lines between the paragraphs.
std::string HelpText();
// A heading, a blank line and a paragraph on the entries "减少颜色…" and "按亮度分配字符…".
std::string NewEntriesHelp();
// What the help box shows: the help text, then on the next line the new entries' paragraph.
std::string HelpBoxText();

}  // namespace quorix::app
