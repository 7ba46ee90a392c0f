// Fonts: the Windows face names the form stores, mapped to fonts of this machine, and the
// conversion of a stored LOGFONT to a QFont.
#pragma once

#include <QFont>
#include <QStringView>

#include "image/form_types.h"

namespace quorix::host {

// Maps "宋体" to a monospaced CJK face (so a block character is exactly two digits wide, as in
// a Chinese chat window) and "黑体" to a sans CJK face, and makes the application's default
// font a CJK-capable face at 9 pt. Safe to call more than once.
void InstallFonts();

// Point size of a LOGFONT height: a negative height is the character height in pixels at
// 96 dots per inch; 0 means the default size (returns 0).
int PointSizeFromLogFontHeight(int32_t height);

// The width of `text` in `font`, in hundredths of the width of a digit (rounded): 200 for a
// character as wide as two digits. Each character is measured alone, as a character picture
// lays them out, at a large size without hinting, so that the answer is the font's own and
// the same at every size the picture is zoomed to.
int TextWidthHundredths(const QFont& font, QStringView text);

// The QFont for a stored LOGFONT. Fields left at 0 (height, face, weight) keep the
// application's default.
QFont FontFromLogFont(const form::LogFont& logfont);

}  // namespace quorix::host
