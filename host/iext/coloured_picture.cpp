#include "host/iext/coloured_picture.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <algorithm>

#include "host/krnln/color_value.h"

namespace quorix::host {
namespace {

// Fonts in which a full-width character is as wide as two digits, as in the output box, and
// the usual monospace CJK fonts of other systems after them.
constexpr const char kFontStack[] =
    "'Noto Sans Mono CJK SC', 'Source Han Mono SC', 'Sarasa Mono SC', 'NSimSun', 'SimSun', "
    "'MS Gothic', monospace";

}  // namespace

std::vector<ColouredLine> ColourPicture(const QImage& board,
                                        const std::function<QString(int32_t)>& characters) {
    const QImage image = board.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, QString> known;
    std::vector<ColouredLine> lines(static_cast<size_t>(std::max(0, image.height())));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        ColouredLine& line = lines[static_cast<size_t>(y)];
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = row[x] | 0xFF000000u;
            auto found = known.constFind(rgb);
            if (found == known.cend())
                found = known.insert(rgb, characters(static_cast<int32_t>(ValueFromRgb(rgb))));
            if (found->isEmpty()) continue;
            if (!line.empty() && line.back().colour == rgb) {
                line.back().text += *found;
            } else {
                line.push_back({rgb, *found});
            }
        }
    }
    return lines;
}

QString PlainText(const std::vector<ColouredLine>& lines) {
    QString text;
    for (const ColouredLine& line : lines) {
        for (const ColouredRun& run : line) text += run.text;
        text += QStringLiteral("\r\n");
    }
    return text;
}

QString HtmlFragment(const std::vector<ColouredLine>& lines, const QFont& font) {
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
    QString html = QStringLiteral(
                       "<pre style=\"font-family: %1; font-size: %2px; line-height: 1; "
                       "white-space: pre; margin: 0; background: #ffffff;\">")
                       .arg(QString::fromUtf8(kFontStack))
                       .arg(pixels);
    for (const ColouredLine& line : lines) {
        for (const ColouredRun& run : line) {
            html += QStringLiteral("<span style=\"color: %1\">%2</span>")
                        .arg(QColor(run.colour).name(), run.text.toHtmlEscaped());
        }
        html += QChar('\n');
    }
    html += QStringLiteral("</pre>");
    return html;
}

QByteArray HtmlPage(const std::vector<ColouredLine>& lines, const QFont& font) {
    const QString page =
        QStringLiteral(
            "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>Quorix</title>\n</head>\n<body style=\"background: #ffffff\">\n%1\n"
            "</body>\n</html>\n")
            .arg(HtmlFragment(lines, font));
    return page.toUtf8();
}

std::optional<QImage> RenderPicture(const std::vector<ColouredLine>& lines, const QFont& font,
                                    QSize* size_needed) {
    const QFontMetrics metrics(font);
    int width = 1;
    for (const ColouredLine& line : lines) {
        qint64 advance = 0;
        for (const ColouredRun& run : line) advance += metrics.horizontalAdvance(run.text);
        width = static_cast<int>(std::min<qint64>(std::max<qint64>(width, advance), INT32_MAX));
    }
    const qint64 height = std::max<qint64>(1, qint64{metrics.height()} * qint64(lines.size()));
    if (size_needed != nullptr) {
        *size_needed = QSize(width, static_cast<int>(std::min<qint64>(height, INT32_MAX)));
    }
    if (width > kMaxRenderedSide || height > kMaxRenderedSide ||
        qint64{width} * height > kMaxRenderedPixels) {
        return std::nullopt;
    }
    QImage image(width, static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    int y = metrics.ascent();
    for (const ColouredLine& line : lines) {
        int x = 0;
        for (const ColouredRun& run : line) {
            painter.setPen(QColor(run.colour));
            painter.drawText(x, y, run.text);
            x += metrics.horizontalAdvance(run.text);
        }
        y += metrics.height();
    }
    painter.end();
    return image;
}

}  // namespace quorix::host
