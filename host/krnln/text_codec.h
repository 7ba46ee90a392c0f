// Texts cross between program memory (GB18030 bytes) and the widgets (Unicode) here, and only
// here. ASCII and the two-byte (GBK) codes, all of a character picture but for the odd emoji,
// convert through a table made from ICU's converter; every other code goes to ICU itself.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace quorix::host {

QString FromProgramText(std::string_view bytes);
// Writes what FromProgramText(bytes) gives to `out`, which has room for bytes.size()
// characters (a text never has more characters than bytes here), and answers how many; -1 when
// a code needs ICU, and `out` is then to be ignored. For the short texts a step appends once
// per pixel: no string is made on the way.
qsizetype DecodeProgramText(std::string_view bytes, char16_t* out);
QByteArray ToProgramText(const QString& text);
// What ToProgramText(text) gives, in two steps: its length, then the bytes written to `out`,
// which has room for `length` = ProgramTextLength(text) bytes. A text of megabytes is
// converted without a buffer between.
size_t ProgramTextLength(QStringView text);
void WriteProgramText(QStringView text, char* out, size_t length);
// Whether `bytes` are what ToProgramText(text) gives and FromProgramText(bytes) gives `text`
// back. Reads both once; allocates nothing.
bool ConvertsBackTo(std::string_view bytes, QStringView text);

}  // namespace quorix::host
