#include "host/iext/character_scheme.h"

#include <QHash>
#include <QStringDecoder>
#include <cmath>

#include "host/krnln/color_value.h"

namespace quorix::host {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "#RRGGBB" -> colour value 0x00BBGGRR; -1 when it is not one.
int64_t ColourOfHex(QStringView text) {
    if (text.size() != 7 || text[0] != QChar('#')) return -1;
    uint32_t rgb = 0;
    for (int i = 1; i < 7; ++i) {
        const int d = text[i].unicode() < 128 ? HexDigit(static_cast<char>(text[i].unicode())) : -1;
        if (d < 0) return -1;
        rgb = (rgb << 4) | uint32_t(d);
    }
    return ValueFromRgb(rgb);
}

QString HexOfColour(uint32_t colour) {
    return QStringLiteral("#%1").arg(RgbFromValue(colour) & RGB_MASK, 6, 16, QChar('0')).toUpper();
}

struct Lab {
    double l, a, b;
};

double Linear(uint32_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double LabF(double t) {
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

// sRGB (D65) to CIELAB.
Lab LabOf(uint32_t colour) {
    const double r = Linear(colour & 0xFF), g = Linear((colour >> 8) & 0xFF),
                 b = Linear((colour >> 16) & 0xFF);
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

SchemeReading Refuse(const QString& why) {
    return {{}, why};
}

}  // namespace

SchemeReading ReadScheme(const QByteArray& bytes) {
    if (bytes.size() > kMaxSchemeBytes) return Refuse(QStringLiteral("文件太大，不是字符方案"));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return Refuse(QStringLiteral("文件不是 UTF-8 文本"));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.contains(QChar(0))) return Refuse(QStringLiteral("文件含有空字符，不是字符方案"));

    SchemeReading reading;
    QHash<uint32_t, int> line_of;  // a colour, and the line that gave it
    int number = 0;
    for (QStringView line : QStringView(text).split(QChar('\n'))) {
        ++number;
        if (line.endsWith(QChar('\r'))) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const qsizetype tab = line.indexOf(QChar('\t'));
        const int64_t colour = tab < 0 ? -1 : ColourOfHex(line.left(tab));
        if (colour < 0) {
            return Refuse(QStringLiteral("第 %1 行不是“#RRGGBB、制表符、字符”").arg(number));
        }
        if (const auto seen = line_of.constFind(uint32_t(colour)); seen != line_of.constEnd()) {
            return Refuse(QStringLiteral("颜色 %1 在第 %2 行和第 %3 行各有一次")
                              .arg(line.left(tab).toString().toUpper())
                              .arg(*seen)
                              .arg(number));
        }
        line_of.insert(uint32_t(colour), number);
        reading.rows.push_back({uint32_t(colour), line.mid(tab + 1).toString()});
    }
    if (reading.rows.empty()) return Refuse(QStringLiteral("文件里没有任何颜色"));
    return reading;
}

QByteArray WriteScheme(const std::vector<SchemeRow>& rows) {
    QString text;
    for (const SchemeRow& row : rows) {
        text += HexOfColour(row.colour);
        text += QChar('\t');
        text += row.characters;
        text += QChar('\n');
    }
    return text.toUtf8();
}

std::vector<int> NearestRows(const std::vector<SchemeRow>& scheme,
                             const std::vector<uint32_t>& colours) {
    std::vector<int> nearest(colours.size(), -1);
    if (scheme.empty()) return nearest;
    QHash<uint32_t, int> exact;
    exact.reserve(static_cast<qsizetype>(scheme.size()));
    for (size_t i = 0; i < scheme.size(); ++i) {
        if (!exact.contains(scheme[i].colour)) exact.insert(scheme[i].colour, int(i));
    }
    std::vector<Lab> labs;  // computed once, and only when some colour is not in the scheme
    for (size_t c = 0; c < colours.size(); ++c) {
        const auto hit = exact.constFind(colours[c] & 0x00FFFFFF);
        if (hit != exact.constEnd()) {
            nearest[c] = *hit;
            continue;
        }
        if (labs.empty()) {
            labs.reserve(scheme.size());
            for (const SchemeRow& row : scheme) labs.push_back(LabOf(row.colour));
        }
        const Lab want = LabOf(colours[c]);
        double best = INFINITY;
        for (size_t i = 0; i < labs.size(); ++i) {
            const double dl = labs[i].l - want.l, da = labs[i].a - want.a, db = labs[i].b - want.b;
            const double d = dl * dl + da * da + db * db;
            if (d < best) {
                best = d;
                nearest[c] = int(i);
            }
        }
    }
    return nearest;
}

}  // namespace quorix::host
