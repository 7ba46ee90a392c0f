#include "host/krnln/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

#include "host/krnln/huge_pages.h"

namespace quorix::host {
namespace {

// GB18030 as the program's texts hold it: ASCII bytes, two-byte codes (lead 0x81-0xFE, trail
// 0x40-0x7E or 0x80-0xFE: every GBK character), and four-byte codes for the rest of Unicode.
// A character picture is megabytes of ASCII digits and two-byte symbols, so those two take a
// table built from ICU's own converter once; four-byte codes and anything malformed go to ICU
// as they come, so that every text converts exactly as ICU converts it.
constexpr int kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr int kTrails = kTrailLast - kTrailFirst + 1;
constexpr char16_t kNone = 0;  // no two-byte code: U+0000 is ASCII, never a two-byte character

bool IsTrail(uint8_t t) {
    return t >= kTrailFirst && t <= kTrailLast && t != 0x7F;
}

struct Tables {
    std::array<char16_t, (kLeadLast - kLeadFirst + 1) * kTrails> to_unicode{};
    std::array<uint16_t, 0x10000> to_gb{};  // lead << 8 | trail, 0 when none
};

const Tables& TwoByteTables() {
    static std::unique_ptr<Tables> tables;
    static std::once_flag once;
    std::call_once(once, [] {
        auto t = std::make_unique<Tables>();
        QStringDecoder decode("GB18030", QStringDecoder::Flag::Stateless);
        QStringEncoder encode("GB18030", QStringEncoder::Flag::Stateless);
        for (int lead = kLeadFirst; lead <= kLeadLast; ++lead) {
            for (int trail = kTrailFirst; trail <= kTrailLast; ++trail) {
                if (!IsTrail(static_cast<uint8_t>(trail))) continue;
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const QString c = decode(QByteArrayView(pair, 2));
                // Only a code that is one character, and that ICU writes back as these two
                // bytes, is taken; any other goes to ICU each time.
                if (c.size() != 1 || c[0].isSurrogate() || c[0] == QChar::ReplacementCharacter)
                    continue;
                const QByteArray back = encode(c);
                if (back != QByteArrayView(pair, 2)) continue;
                t->to_unicode[static_cast<size_t>((lead - kLeadFirst) * kTrails + trail -
                                                  kTrailFirst)] = c[0].unicode();
                t->to_gb[c[0].unicode()] = static_cast<uint16_t>(lead << 8 | trail);
            }
        }
        tables = std::move(t);
    });
    return *tables;
}

// The length of the run that goes to ICU as one piece: a four-byte code, or the bytes up to the
// next ASCII byte that cannot belong to a code.
size_t IcuRun(const uint8_t* p, size_t n) {
    if (n >= 4 && p[0] >= kLeadFirst && p[0] <= kLeadLast && p[1] >= 0x30 && p[1] <= 0x39 &&
        p[2] >= kLeadFirst && p[2] <= kLeadLast && p[3] >= 0x30 && p[3] <= 0x39) {
        return 4;
    }
    size_t i = 1;
    while (i < n && p[i] >= 0x80) ++i;
    return i;
}

}  // namespace

QString FromProgramText(std::string_view bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    size_t first = 0;
    while (first < n && p[first] < 0x80) ++first;
    if (first == n && n < kHugePageWorthy) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(n));
    }

    const Tables& tables = TwoByteTables();
    QString out(static_cast<qsizetype>(n), Qt::Uninitialized);  // never more characters than bytes
    AdviseHugePages(out.constData(), n * 2);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (size_t i = 0; i < first; ++i) *o++ = p[i];
    size_t i = first;
    while (i < n) {
        // Eight ASCII bytes at a time while there are.
        while (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ull) != 0) break;
            for (int k = 0; k < 8; ++k) o[k] = static_cast<char16_t>((word >> (8 * k)) & 0x7F);
            o += 8;
            i += 8;
        }
        if (i >= n) break;
        const uint8_t b = p[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
            continue;
        }
        if (b >= kLeadFirst && b <= kLeadLast && i + 1 < n && IsTrail(p[i + 1])) {
            const char16_t c = tables.to_unicode[static_cast<size_t>((b - kLeadFirst) * kTrails +
                                                                     p[i + 1] - kTrailFirst)];
            if (c != kNone) {
                *o++ = c;
                i += 2;
                continue;
            }
        }
        const size_t run = IcuRun(p + i, n - i);
        QStringDecoder decode("GB18030", QStringDecoder::Flag::Stateless);
        const QString piece = decode(QByteArrayView(bytes.data() + i, static_cast<qsizetype>(run)));
        const qsizetype at = o - reinterpret_cast<char16_t*>(out.data());
        if (at + piece.size() > out.size())
            out.resize(at + piece.size() + static_cast<qsizetype>(n - i));
        o = reinterpret_cast<char16_t*>(out.data()) + at;
        for (const QChar c : piece) *o++ = c.unicode();
        i += run;
    }
    out.truncate(o - reinterpret_cast<char16_t*>(out.data()));
    return out;
}

void AppendFromProgramText(std::u16string& out, std::string_view bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    const size_t at = out.size();
    out.resize(at + n);  // never more characters than bytes
    char16_t* o = out.data() + at;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = p[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
            continue;
        }
        if (b >= kLeadFirst && b <= kLeadLast && i + 1 < n && IsTrail(p[i + 1])) {
            const char16_t c = TwoByteTables().to_unicode[static_cast<size_t>(
                (b - kLeadFirst) * kTrails + p[i + 1] - kTrailFirst)];
            if (c != kNone) {
                *o++ = c;
                i += 2;
                continue;
            }
        }
        // A code for ICU: the whole text takes the long way.
        const QString whole = FromProgramText(bytes);
        out.resize(at);
        out.append(reinterpret_cast<const char16_t*>(whole.utf16()),
                   static_cast<size_t>(whole.size()));
        return;
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

QByteArray ToProgramText(const QString& text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype first = 0;
    while (first < n && s[first] < 0x80) ++first;
    if (first == n && static_cast<size_t>(n) < kHugePageWorthy) return text.toLatin1();

    const Tables& tables = TwoByteTables();
    QByteArray out(n * 2, Qt::Uninitialized);
    AdviseHugePages(out.constData(), static_cast<size_t>(n) * 2);
    char* o = out.data();
    auto room = [&](qsizetype more) {
        const qsizetype at = o - out.data();
        if (at + more > out.size()) out.resize(std::max(out.size() * 2, at + more));
        o = out.data() + at;
    };
    for (qsizetype i = 0; i < first; ++i) *o++ = static_cast<char>(s[i]);
    qsizetype i = first;
    while (i < n) {
        // Four ASCII characters at a time while there are.
        while (i + 4 <= n) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0xFF80FF80FF80FF80ull) != 0) break;
            room(4);
            for (int k = 0; k < 4; ++k) o[k] = static_cast<char>((word >> (16 * k)) & 0x7F);
            o += 4;
            i += 4;
        }
        if (i >= n) break;
        const char16_t c = s[i];
        if (c < 0x80) {
            room(1);
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        if (!QChar::isSurrogate(c)) {
            if (const uint16_t code = tables.to_gb[c]; code != 0) {
                room(2);
                *o++ = static_cast<char>(code >> 8);
                *o++ = static_cast<char>(code & 0xFF);
                ++i;
                continue;
            }
        }
        // A character of the four-byte range, or half of a pair: ICU, a character at a time.
        const qsizetype length =
            QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]) ? 2 : 1;
        QStringEncoder encode("GB18030", QStringEncoder::Flag::Stateless);
        const QByteArray piece = encode(QStringView(text).mid(i, length));
        room(piece.size());
        std::memcpy(o, piece.constData(), static_cast<size_t>(piece.size()));
        o += piece.size();
        i += length;
    }
    out.truncate(o - out.data());
    return out;
}

}  // namespace quorix::host
