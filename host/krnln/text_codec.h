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
// Appends what FromProgramText(bytes) gives to `out`. For the short texts a step appends once
// per pixel: no string is made on the way.
void AppendFromProgramText(std::u16string& out, std::string_view bytes);
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
