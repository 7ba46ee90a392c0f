#include "host/RegEx/substitute.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <ctime>

namespace quorix::host::regex {

Code::~Code() {
    pcre2_code_free(code);
}
namespace {

// Bounds on the work one replace may do. The engine's match limit counts per start position
// only, so a pattern that backtracks a little less than the limit at every position of a text
// of some megabytes could run for minutes. The search therefore goes through the text in short
// windows of start positions and stops at a deadline: one window costs at most
// kWindow * kMatchLimit steps (a few hundred milliseconds). The deadline grows with the text,
// so that a plain pattern over the largest character picture (33 million characters, millions
// of matches) still runs to its end.
constexpr uint32_t kMatchLimit = 500'000;
constexpr uint32_t kDepthLimit = 10'000;
constexpr PCRE2_SIZE kWindow = 128;
constexpr int64_t kDeadlineMs = 400;
constexpr int64_t kCharactersPerExtraMs = 20'000;  // 50 ns a character
// Room for the JIT's backtracking: a group repeated once per character of a long line needs
// far more than the engine's default of 32 KB.
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;
// The engine's per-search state, released together.
struct Search {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    pcre2_match_data* data = nullptr;
    explicit Search(const pcre2_code* code)
        : data(pcre2_match_data_create_from_pattern(code, nullptr)) {
        pcre2_set_match_limit(context, kMatchLimit);
        pcre2_set_depth_limit(context, kDepthLimit);
        pcre2_jit_stack_assign(context, nullptr, stack);
    }
    ~Search() {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    bool ready() const { return context != nullptr && stack != nullptr && data != nullptr; }
};

}  // namespace

Code CompilePattern(const QString& pattern, bool case_sensitive, bool multiline) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_USE_OFFSET_LIMIT;
    if (!case_sensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()),
                                     static_cast<PCRE2_SIZE>(pattern.size()), options, &error,
                                     &error_offset, context);
    pcre2_compile_context_free(context);
    if (code != nullptr) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    return Code(code);
}

namespace {

// A clock read costs a few nanoseconds: the search reads it once per match, and a text can
// have millions of matches. Its resolution of a few milliseconds is ample for the deadline.
timespec CoarseNow() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return t;
}

int64_t MillisecondsSince(const timespec& t0) {
    const timespec t = CoarseNow();
    return (t.tv_sec - t0.tv_sec) * 1000 + (t.tv_nsec - t0.tv_nsec) / 1'000'000;
}

// Whether a search may not start at `at`: between the CR and LF of a line break, where a line
// anchor would see a line start or end that is not there, or between the two halves of a
// surrogate pair, which is inside one character.
bool InsideAPair(const QString& subject, qsizetype at) {
    if (at <= 0 || at >= subject.size()) return false;
    const QChar before = subject[at - 1], here = subject[at];
    return (before == QChar('\r') && here == QChar('\n')) ||
           (before.isHighSurrogate() && here.isLowSurrogate());
}

// Where the search goes on after an empty match at `at` that could not be followed by a
// non-empty one: the next character, never inside a line break or a surrogate pair.
qsizetype StepOver(const QString& subject, qsizetype at) {
    return InsideAPair(subject, at + 1) ? at + 2 : at + 1;
}

// The last start position of the window of start positions that begins at `pos`. Inside the
// window the engine moves from one start position to the next as it does through any text, over
// line breaks and surrogate pairs; but neither the window's last position nor the next window's
// first, one past it, may fall inside one: the engine would try a match there.
PCRE2_SIZE WindowEnd(const QString& subject, PCRE2_SIZE pos) {
    const auto length = static_cast<PCRE2_SIZE>(subject.size());
    PCRE2_SIZE limit = std::min(length, pos + kWindow);
    auto inside = [&](PCRE2_SIZE at) { return InsideAPair(subject, static_cast<qsizetype>(at)); };
    while (limit < length && (inside(limit) || inside(limit + 1))) ++limit;
    return limit;
}

}  // namespace

// An empty match next to the previous match is not taken, as in the engine's own global
// substitution.
std::optional<QString> Substitute(const PatternCode* code, const QString& subject,
                                  const QString& replacement, qsizetype start) {
    Search search(code);
    if (!search.ready()) return std::nullopt;
    uint32_t all_options = 0;
    pcre2_pattern_info(code, PCRE2_INFO_ALLOPTIONS, &all_options);
    const bool anchored = (all_options & PCRE2_ANCHORED) != 0;  // e.g. a leading \G

    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.utf16());
    const auto length = static_cast<PCRE2_SIZE>(subject.size());
    const timespec started = CoarseNow();
    const int64_t deadline_ms = kDeadlineMs + static_cast<int64_t>(length) / kCharactersPerExtraMs;
    QString out;
    PCRE2_SIZE copied = 0;  // subject[0, copied) is in `out`
    auto pos = static_cast<PCRE2_SIZE>(start);
    uint32_t checked = 0;  // PCRE2_NO_UTF_CHECK once the engine has checked the text
    bool after_empty = false;
    out.reserve(subject.size());
    while (pos <= length) {
        if (MillisecondsSince(started) > deadline_ms) return std::nullopt;
        const PCRE2_SIZE limit = after_empty || anchored ? pos : WindowEnd(subject, pos);
        pcre2_set_offset_limit(search.context, limit);
        const uint32_t options =
            checked | (after_empty ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0);
        const int rc = pcre2_match(code, text, length, pos, options, search.data, search.context);
        checked = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (after_empty) {
                after_empty = false;
                pos = static_cast<PCRE2_SIZE>(StepOver(subject, static_cast<qsizetype>(pos)));
            } else if (anchored || limit >= length) {
                break;
            } else {
                pos = limit + 1;  // no match starts anywhere in [pos, limit]
            }
            continue;
        }
        if (rc < 0) return std::nullopt;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(search.data);
        const PCRE2_SIZE from = ovector[0], to = ovector[1];
        // \K in a lookaround can put a match's start before the search's start or after its end.
        if (from < pos || from > to || to > length) return std::nullopt;
        out.append(QStringView(subject).sliced(static_cast<qsizetype>(copied),
                                               static_cast<qsizetype>(from - copied)));
        out.append(replacement);
        copied = to;
        pos = to;
        after_empty = from == to;
    }
    out.append(QStringView(subject).sliced(static_cast<qsizetype>(copied)));
    return out;
}

}  // namespace quorix::host::regex
