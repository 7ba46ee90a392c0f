#include "host/krnln/controls/picture_decoding.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace quorix::host {
namespace {

// What one load may allocate for the decoded picture: 128 MB, a picture of 33.5 million pixels
// at four bytes each (a 24-megapixel camera photo fits whole). The reader refuses any larger
// allocation, and so do the checks below, from the header alone.
constexpr int kDecodeLimitMb = 128;
constexpr qint64 kDecodeLimitBytes = qint64(kDecodeLimitMb) * 1024 * 1024;
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

// A format whose pixels are approximations already: decoding it smaller smooths what was never
// exact, and its decoder can do so while reading (JPEG's DCT scaling).
bool IsLossy(const QByteArray& format) {
    return format == "jpeg" || format == "jpg";
}

}  // namespace

// A lossless picture that fits in kDecodeLimitMb is decoded whole, so that the stretch to the
// target picks pixels without smoothing. A lossy one (a photo) larger than the target is
// decoded at the target's size while reading, which costs a fraction of the time and memory. A
// lossless one too large to decode whole is decoded at the size it is shown at where its format
// can do that while reading (a format's own scaled decode may smooth: better than refusing
// it); any other, and any picture of more than kMaxPicturePixels, is refused from its header
// alone, as a file that holds no picture.
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
        const QSize shown(std::min(full.width(), target.width()),
                          std::min(full.height(), target.height()));
        const bool scalable = reader.supportsOption(QImageIOHandler::ScaledSize);
        if (scalable && IsLossy(reader.format()) && shown != full) {
            reader.setScaledSize(shown);
        } else if (pixels * 4 > kDecodeLimitBytes) {
            if (!scalable) return {};
            reader.setScaledSize(shown);
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
