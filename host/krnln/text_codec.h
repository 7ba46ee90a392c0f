// Texts cross between program memory (GB18030 bytes) and the widgets (Unicode) here, and only
// here. Pure ASCII, the common case on the per-pixel path, skips the codec.
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

namespace quorix::host {

QString FromProgramText(std::string_view bytes);
QByteArray ToProgramText(const QString& text);

}  // namespace quorix::host
