#include "host/krnln/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace quorix::host {
namespace {

bool IsAscii(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    }
    return true;
}

}  // namespace

QString FromProgramText(std::string_view bytes) {
    if (IsAscii(bytes.data(), bytes.size())) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    QStringDecoder decoder("GB18030");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QByteArray ToProgramText(const QString& text) {
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return text.toLatin1();
    QStringEncoder encoder("GB18030");
    QByteArray out = encoder.encode(text);
    return out;
}

}  // namespace quorix::host
