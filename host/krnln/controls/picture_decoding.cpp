#include "host/krnln/controls/picture_decoding.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace quorix::host {
namespace {

// A picture is decoded whole up to this many megabytes; the reader refuses any allocation above.
constexpr int kDecodeLimitMb = 256;
// Pictures with more pixels than this are refused even where they could be decoded scaled: it
// holds 20,000 x 20,000 and keeps a scaled decode's reading time bounded.
constexpr qint64 kMaxPicturePixels = qint64(512) * 1024 * 1024;

// A bitmap whose pixel data would start at or past the end of the file holds no picture; Qt's
// reader would otherwise decode whatever bytes it happens to stand on.
bool BitmapPixelsInside(const QByteArray& encoded) {
    constexpr int kPixelOffsetAt = 10;
    if (encoded.size() < kPixelOffsetAt + 4) return false;
    const quint32 offset = qFromLittleEndian<quint32>(encoded.constData() + kPixelOffsetAt);
    return offset < quint64(encoded.size());
}

}  // namespace

// A picture that fits in kDecodeLimitMb is decoded whole, so that the stretch to the target
// picks pixels without smoothing. A larger one is decoded at the size it is shown at where its
// format can do that while reading (a format's own scaled decode may smooth: better than
// refusing it); any other, and any picture of more than kMaxPicturePixels, is refused from its
// header alone.
QImage DecodeForBoard(const QByteArray& encoded, QSize target) {
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kDecodeLimitMb);
    const QSize full = reader.size();
    if (full.isValid()) {
        const qint64 pixels = qint64(full.width()) * full.height();
        if (pixels > kMaxPicturePixels) return {};
        if (pixels * 4 > qint64(kDecodeLimitMb) * 1024 * 1024) {
            if (!reader.supportsOption(QImageIOHandler::ScaledSize)) return {};
            reader.setScaledSize(QSize(std::min(full.width(), target.width()),
                                       std::min(full.height(), target.height())));
        }
    }
    if (reader.format() != "bmp") return reader.read();
    if (!BitmapPixelsInside(encoded)) return {};
    // Qt's bitmap reader leaves unset the pixels a damaged file does not give (a cut-short
    // stream, a run-length code that stops early), so they would show whatever memory held.
    // Given a zeroed picture of the size and format it decodes to, it fills that one in place:
    // the missing pixels stay black and every decode of the same bytes gives the same picture.
    QImage picture;
    if (full.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
        picture = QImage(full, reader.imageFormat());
        picture.fill(0);
    }
    return reader.read(&picture) ? picture : QImage();
}

QStringList ReadablePictureSuffixes() {
    QStringList suffixes;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        suffixes << QString::fromLatin1(format).toLower();
    }
    suffixes.sort();
    suffixes.removeDuplicates();
    return suffixes;
}

}  // namespace quorix::host
