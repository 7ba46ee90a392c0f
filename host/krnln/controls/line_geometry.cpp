#include "host/krnln/controls/line_geometry.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>

namespace quorix::host::lines {
namespace {

struct Walked {
    qsizetype offset = 0;
    double x = 0;
};

// Walks a line's characters from `i` at `x` up to `end`, past each character for which
// `passes(x, advance)` holds, and stops at the first for which it does not.
template <typename Passes>
Walked Walk(QStringView text, qsizetype i, qsizetype end, double x, const Advances& advances,
            Passes passes) {
    while (i < end) {
        int length;
        const double advance = advances.At(text, i, &length);
        if (!passes(x, advance)) break;
        x += advance;
        i += length;
    }
    return {i, x};
}

}  // namespace

Advances::Advances(Measure measure) : measure_(std::move(measure)) {
    for (char16_t c = 0; c < 128; ++c) ascii_[c] = measure_(QStringView(&c, 1));
    bmp_.assign(0x10000, std::nan(""));
    std::copy(ascii_.begin(), ascii_.end(), bmp_.begin());
    uniform_ascii_ = ascii_[' '];
    for (int c = ' '; c < 0x7F; ++c) {
        if (ascii_[static_cast<size_t>(c)] != uniform_ascii_) uniform_ascii_ = std::nan("");
    }
}

double Advances::At(QStringView text, qsizetype offset, int* length) const {
    const QChar c = text[offset];
    *length = 1;
    if (c.unicode() < 128) return ascii_[c.unicode()];
    char32_t code = c.unicode();
    if (c.isHighSurrogate() && offset + 1 < text.size() && text[offset + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(c, text[offset + 1]);
        *length = 2;
    }
    if (code < 0x10000) {
        double& known = bmp_[code];
        if (std::isnan(known)) known = measure_(text.mid(offset, 1));
        return known;
    }
    const auto it = other_.find(code);
    if (it != other_.end()) return it->second;
    const double advance = measure_(text.mid(offset, *length));
    other_.emplace(code, advance);
    return advance;
}

void IndexLines(QStringView text, qsizetype from, std::vector<qsizetype>& starts) {
    for (qsizetype i = text.indexOf(QChar('\n'), from); i >= 0;
         i = text.indexOf(QChar('\n'), i + 1)) {
        starts.push_back(i + 1);
    }
}

qsizetype LineOf(std::span<const qsizetype> starts, qsizetype offset) {
    const auto it = std::upper_bound(starts.begin(), starts.end(), offset);
    return std::max<qsizetype>(0, (it - starts.begin()) - 1);
}

qsizetype LineEnd(QStringView text, std::span<const qsizetype> starts, qsizetype line) {
    const auto next = static_cast<size_t>(line + 1);
    if (next >= starts.size()) return text.size();
    const qsizetype end = starts[next] - 1;  // the LF
    return end > starts[next - 1] && text[end - 1] == QChar('\r') ? end - 1 : end;
}

double XOf(QStringView text, qsizetype start, qsizetype offset, const Advances& advances) {
    // A character picture is printable ASCII (of one advance in its monospaced font) and a
    // handful of symbols met before: eight characters at a time, the ASCII ones counted and
    // the others taken from the table. Advances are whole 64ths of a pixel, so the order of
    // the additions does not change the sum.
    const auto all = [](double, double) { return true; };
    double x = 0;
    qsizetype i = start;
#ifdef __SSE2__
    const char16_t* chars = text.utf16();
    const double* known = advances.Known();
    const double uniform = advances.UniformAscii();
    qsizetype plain = 0;  // printable ASCII characters, at `uniform` each
    if (!std::isnan(uniform)) {
        // Signed comparisons after flipping the top bit: 0x20 <= c <= 0x7E.
        const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
        const __m128i below = _mm_set1_epi16(static_cast<short>(0x801F));
        const __m128i above = _mm_set1_epi16(static_cast<short>(0x807F));
        while (i + 8 <= offset) {
            const __m128i v =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i)), flip);
            const unsigned printable = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpgt_epi16(v, below), _mm_cmplt_epi16(v, above))));
            double others = 0;
            int count = 0;
            bool surrogate = false;
            for (unsigned rest = ~printable & 0x5555u; rest != 0; rest &= rest - 1) {
                const char16_t c = chars[i + std::countr_zero(rest) / 2];
                surrogate |= QChar::isSurrogate(c);
                others += known[c];
                ++count;
            }
            if (surrogate || std::isnan(others)) {
                // One character at a time, measuring those not met yet: the walk may end past
                // the block, inside a surrogate pair that straddles it.
                const Walked walked = Walk(text, i, i + 8, x, advances, all);
                i = walked.offset;
                x = walked.x;
                continue;
            }
            x += others;
            plain += 8 - count;
            i += 8;
        }
    }
    if (plain != 0) x += static_cast<double>(plain) * uniform;
#endif
    return Walk(text, i, offset, x, advances, all).x;
}

qsizetype OffsetNear(QStringView text, qsizetype start, qsizetype end, double x,
                     const Advances& advances) {
    return Walk(text, start, end, 0, advances,
                [x](double at, double advance) { return at + advance / 2 <= x; })
        .offset;
}

Columns ColumnsIn(QStringView text, qsizetype start, qsizetype end, double left, double right,
                  const Advances& advances) {
    const Walked first = Walk(text, start, end, 0, advances,
                              [left](double at, double advance) { return at + advance <= left; });
    const Walked last = Walk(text, first.offset, end, first.x, advances,
                             [right](double at, double) { return at < right; });
    return {first.offset, last.offset, first.x};
}

LineSpan LinesIn(QRect rect, qsizetype top_line, int line_height, qsizetype count) {
    if (rect.isEmpty() || line_height <= 0) return {};
    const qsizetype first = top_line + std::max(0, rect.top()) / line_height;
    const qsizetype last = top_line + std::max(0, rect.bottom()) / line_height + 1;
    const qsizetype within = std::clamp<qsizetype>(first, 0, count);
    return {within, std::clamp<qsizetype>(last, within, count)};
}

}  // namespace quorix::host::lines
