#include "host/krnln/fonts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/krnln/text_codec.h"

namespace quorix::host {
namespace {

const QString kMonoCjk = QStringLiteral("Noto Sans Mono CJK SC");
const QString kSansCjk = QStringLiteral("Noto Sans CJK SC");
// The size at which widths are measured: large enough that no advance is rounded much.
constexpr int kMeasuringPixels = 200;

}  // namespace

void InstallFonts() {
    // Both the Chinese names and their romanised forms occur in Windows fonts.
    QFont::insertSubstitutions(QStringLiteral("宋体"), {kMonoCjk, QStringLiteral("Monospace")});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {kMonoCjk, QStringLiteral("Monospace")});
    QFont::insertSubstitutions(QStringLiteral("新宋体"), {kMonoCjk, QStringLiteral("Monospace")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {kSansCjk, QStringLiteral("Sans Serif")});
    QFont::insertSubstitutions(QStringLiteral("SimHei"), {kSansCjk, QStringLiteral("Sans Serif")});
    if (QApplication::instance() != nullptr) {
        QFont font;
        font.setFamilies(
            {kSansCjk, QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Sans Serif")});
        font.setPointSize(9);
        QApplication::setFont(font);
    }
}

int PointSizeFromLogFontHeight(int32_t height) {
    if (height == 0) return 0;
    // A positive height counts the cell with its internal leading; it is near enough to the
    // character height for a size in points.
    const double pixels = std::abs(static_cast<double>(height));
    const double points = std::round(pixels * 72.0 / 96.0);
    return static_cast<int>(std::clamp(points, 1.0, 1000.0));
}

int TextWidthHundredths(const QFont& font, QStringView text) {
    QFont measured = font;
    measured.setPixelSize(kMeasuringPixels);
    measured.setKerning(false);
    measured.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(measured);
    const double digit = metrics.horizontalAdvance(QLatin1Char('0'));
    if (!(digit > 0)) return 0;
    double width = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        width += metrics.horizontalAdvance(text.mid(i, length).toString());
        i += length;
    }
    return static_cast<int>(std::lround(100.0 * width / digit));
}

QFont FontFromLogFont(const form::LogFont& logfont) {
    QFont font = QApplication::instance() != nullptr ? QApplication::font() : QFont();
    if (!logfont.face.empty()) {
        // The stored face is NUL-padded; only the part before the NUL names the font.
        const std::string face = logfont.face.substr(0, logfont.face.find('\0'));
        if (!face.empty()) font.setFamilies({FromProgramText(face)});
    }
    const int points = PointSizeFromLogFontHeight(logfont.height);
    if (points > 0) font.setPointSize(points);
    if (logfont.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(logfont.weight, 1, 1000)));
    font.setItalic(logfont.italic != 0);
    font.setUnderline(logfont.underline != 0);
    font.setStrikeOut(logfont.strike_out != 0);
    // Low two bits of the pitch and family byte: 1 asks for a fixed-pitch face.
    if ((logfont.pitch_and_family & 3) == 1) font.setStyleHint(QFont::TypeWriter);
    return font;
}

}  // namespace quorix::host
