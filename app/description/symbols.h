// The preset texts of the two symbol combo boxes: what a colour's characters can be set to
// with one pick. UTF-8 here; the window description stores them as GBK.
#pragma once

#include <span>

namespace quorix::app {

// All 201 items in list order. Some texts occur twice; the duplicates belong to the list.
std::span<const char* const> SymbolList();

}  // namespace quorix::app
