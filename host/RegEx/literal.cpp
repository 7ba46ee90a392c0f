#include "host/RegEx/literal.h"

#include <cstring>

#include "host/krnln/huge_pages.h"

namespace quorix::host::regex {
namespace {

bool IsSurrogate(char16_t c) {
    return (c & 0xF800) == 0xD800;
}

// Whether every surrogate in `text` is half of a pair, high then low.
bool WellFormed(QStringView text) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    constexpr qsizetype kBlock = 256;
    qsizetype i = 0;
    while (i < n) {
        // Most blocks hold no surrogate at all: this test runs without a branch per character.
        const qsizetype end = std::min(n, i + kBlock);
        bool any = false;
        for (qsizetype k = i; k < end; ++k) any |= IsSurrogate(s[k]);
        if (!any) {
            i = end;
            continue;
        }
        for (; i < end; ++i) {
            if (!IsSurrogate(s[i])) continue;
            if (s[i] >= 0xDC00 || i + 1 >= n || (s[i + 1] & 0xFC00) != 0xDC00) return false;
            ++i;  // the low half, which may start the next block
        }
    }
    return true;
}

}  // namespace

bool IsLiteral(QStringView pattern) {
    if (pattern.isEmpty()) return false;
    for (const QChar c : pattern) {
        switch (c.unicode()) {
            case '\\':
            case '^':
            case '$':
            case '.':
            case '[':
            case ']':
            case '|':
            case '(':
            case ')':
            case '?':
            case '*':
            case '+':
            case '{':
            case '}':
            case '\r':
            case '\n':
                return false;
            default:
                break;
        }
    }
    return true;
}

std::optional<QString> SubstituteLiteral(const QString& subject, QStringView literal,
                                         QStringView replacement) {
    if (literal.isEmpty()) return std::nullopt;
    // Nowhere to be found: the text itself, shared, not a copy.
    if (!subject.contains(literal)) {
        if (!WellFormed(subject)) return std::nullopt;
        return subject;
    }
    const qsizetype n = subject.size();
    // The result's exact size, counted first when it grows.
    qsizetype size = n;
    if (replacement.size() != literal.size()) {
        qsizetype count = 0;
        for (qsizetype at = subject.indexOf(literal); at >= 0;
             at = subject.indexOf(literal, at + literal.size())) {
            ++count;
        }
        size = n + count * (replacement.size() - literal.size());
    }
    QString out(size, Qt::Uninitialized);
    AdviseHugePages(out.constData(), static_cast<size_t>(size) * 2);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    const char16_t* s = QStringView(subject).utf16();
    if (literal.size() == 1 && replacement.size() == 1) {
        // One character for another (a symbol of a picture): a select per character.
        // The check for surrogates rides along: a text without any (almost every one) is
        // not read a second time.
        const char16_t from = literal[0].unicode(), to = replacement[0].unicode();
        bool surrogates = false;
        for (qsizetype i = 0; i < n; ++i) {
            o[i] = s[i] == from ? to : s[i];
            surrogates |= IsSurrogate(s[i]);
        }
        if (surrogates && !WellFormed(subject)) return std::nullopt;
        return out;
    }
    if (!WellFormed(subject)) return std::nullopt;
    const auto copy = [&o](const char16_t* from, qsizetype count) {
        std::memcpy(o, from, static_cast<size_t>(count) * 2);
        o += count;
    };
    qsizetype copied = 0;
    for (qsizetype at = subject.indexOf(literal); at >= 0;
         at = subject.indexOf(literal, at + literal.size())) {
        copy(s + copied, at - copied);
        copy(replacement.utf16(), replacement.size());
        copied = at + literal.size();
    }
    copy(s + copied, n - copied);
    return out;
}

}  // namespace quorix::host::regex
