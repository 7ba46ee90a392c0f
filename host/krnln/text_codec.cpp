#include "host/krnln/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

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

qsizetype DecodeProgramText(std::string_view bytes, char16_t* out) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    char16_t* o = out;
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
        return -1;
    }
    return o - out;
}

namespace {

// How many characters from `s` on (at most `n`) are ASCII.
qsizetype AsciiRun(const char16_t* s, qsizetype n) {
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const int ascii =
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128()));
        if (ascii != 0xFFFF) return i + std::countr_one(static_cast<unsigned>(ascii)) / 2;
    }
#endif
    while (i < n && s[i] < 0x80) ++i;
    return i;
}

// Writes `n` ASCII characters as their bytes.
void PackAscii(const char16_t* s, qsizetype n, char* o) {
    qsizetype i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n; ++i) o[i] = static_cast<char>(s[i]);
}

// Whether the `n` bytes at `p` are the `n` ASCII characters at `s`.
bool SameAscii(const char16_t* s, qsizetype n, const char* p) {
    qsizetype i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_packus_epi16(a, b), there)) != 0xFFFF)
            return false;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] != static_cast<char>(s[i])) return false;
    }
    return true;
}

// Goes through `text` as its GB18030 bytes, handing them to `sink`: Ascii (a run of ASCII
// characters, a byte each), Unit (one ASCII character or a
// two-byte code, lead << 8 | trail) and Piece (characters
// converted by ICU, with their bytes). A sink that answers false ends the walk, and the walk
// answers false.
template <typename Sink>
bool Encode(QStringView text, Sink& sink) {
    const Tables& tables = TwoByteTables();
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    std::optional<QStringEncoder> encode;  // opened at the first character that needs it
    qsizetype i = 0;
    while (i < n) {
        // A run of ASCII at once; after a block of eight that is not all ASCII, each of its
        // characters on its own, with no branch on which kind it is (a picture mixes digits and
        // symbols at random).
        qsizetype block_end = n;
        if (i + 8 <= n) {
            const qsizetype run = AsciiRun(s + i, n - i);
            if (run >= 8) {
                if (!sink.Ascii(s + i, run)) return false;
                i += run;
                continue;
            }
            block_end = i + 8;
        }
        while (i < block_end) {
            const char16_t c = s[i];
            const uint16_t code = tables.to_gb[c];  // 0 for ASCII and for surrogates
            if (c < 0x80 || code != 0) {
                if (!sink.Unit(c, code)) return false;
                ++i;
                continue;
            }
            // A character of the four-byte range, or half of a pair: ICU, a character at a
            // time.
            const qsizetype length =
                QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]) ? 2 : 1;
            if (!encode) encode.emplace("GB18030", QStringEncoder::Flag::Stateless);
            const QStringView characters = text.mid(i, length);
            const QByteArray piece = (*encode)(characters);
            if (!sink.Piece(characters, piece)) return false;
            i += length;
        }
    }
    return true;
}

// The bytes of an ASCII character or a two-byte code, as a little-endian word, and how many.
struct UnitBytes {
    uint16_t word;
    int count;
};
inline UnitBytes BytesOf(char16_t c, uint16_t code) {
    const bool ascii = c < 0x80;
    return {static_cast<uint16_t>(ascii ? c : static_cast<uint16_t>(code >> 8 | code << 8)),
            ascii ? 1 : 2};
}

struct Counter {
    size_t bytes = 0;
    bool Ascii(const char16_t*, qsizetype n) { return bytes += static_cast<size_t>(n), true; }
    bool Unit(char16_t c, uint16_t) { return bytes += c < 0x80 ? 1 : 2, true; }
    bool Piece(QStringView, const QByteArray& piece) {
        return bytes += static_cast<size_t>(piece.size()), true;
    }
};

struct Writer {
    char* o;
    char* end;
    bool Ascii(const char16_t* s, qsizetype n) {
        PackAscii(s, n, o);
        o += n;
        return true;
    }
    bool Unit(char16_t c, uint16_t code) {
        const UnitBytes b = BytesOf(c, code);
        if (end - o >= 2) {
            std::memcpy(o, &b.word, 2);  // the second byte of ASCII is overwritten next
        } else {
            std::memcpy(o, &b.word, static_cast<size_t>(b.count));
        }
        o += b.count;
        return true;
    }
    bool Piece(QStringView, const QByteArray& piece) {
        std::memcpy(o, piece.constData(), static_cast<size_t>(piece.size()));
        o += piece.size();
        return true;
    }
};

// Compares the bytes the walk gives with `p`, and checks that the bytes ICU gives convert back
// to the same characters (a half of a pair does not).
struct Checker {
    const char* p;
    const char* end;
    std::optional<QStringDecoder> decode = {};
    bool Ascii(const char16_t* s, qsizetype n) {
        if (end - p < n || !SameAscii(s, n, p)) return false;
        p += n;
        return true;
    }
    bool Unit(char16_t c, uint16_t code) {
        const UnitBytes b = BytesOf(c, code);
        if (end - p < b.count) return false;
        uint16_t there = static_cast<uint8_t>(p[0]);
        if (end - p >= 2) std::memcpy(&there, p, 2);
        p += b.count;
        return ((there ^ b.word) & (b.count == 1 ? 0x00FF : 0xFFFF)) == 0;
    }
    bool Piece(QStringView characters, const QByteArray& piece) {
        if (end - p < piece.size() || std::memcmp(p, piece.constData(), piece.size()) != 0)
            return false;
        p += piece.size();
        if (!decode) decode.emplace("GB18030", QStringDecoder::Flag::Stateless);
        return QString((*decode)(piece)) == characters;
    }
};

}  // namespace

size_t ProgramTextLength(QStringView text) {
    Counter counter;
    Encode(text, counter);
    return counter.bytes;
}

void WriteProgramText(QStringView text, char* out, size_t length) {
    Writer writer{out, out + length};
    Encode(text, writer);
}

bool ConvertsBackTo(std::string_view bytes, QStringView text) {
    Checker checker{bytes.data(), bytes.data() + bytes.size()};
    return Encode(text, checker) && checker.p == checker.end;
}

QByteArray ToProgramText(const QString& text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype first = 0;
    while (first < n && s[first] < 0x80) ++first;
    if (first == n && static_cast<size_t>(n) < kHugePageWorthy) return text.toLatin1();

    const size_t length = ProgramTextLength(text);
    QByteArray out(static_cast<qsizetype>(length), Qt::Uninitialized);
    AdviseHugePages(out.constData(), length);
    WriteProgramText(text, out.data(), length);
    return out;
}

}  // namespace quorix::host
