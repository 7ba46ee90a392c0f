// The RegEx library: regular-expression objects for the program, on PCRE2.
//
// Patterns are Perl-compatible (PCRE2) and match whole characters: texts are decoded from
// GB18030 and matched as UTF-16 with PCRE2's UTF mode. The replacement text is literal: "$" and
// "\" stand for themselves, so every symbol of the symbol list can be a replacement. Line
// anchors in multi-line mode know CR LF line breaks. A pattern that does not compile, an empty
// pattern, or a search that exceeds the engine's limits or runs too long leaves the text as it
// was: the replace then gives back the text unchanged, never a partial or empty result.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QString>
#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>

#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "host/library_commands.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// Bounds on the work one replace may do. The engine's match limit counts per start position
// only, so a pattern that backtracks a little less than the limit at every position of a text
// of some megabytes could run for minutes. The search therefore goes through the text in short
// windows of start positions and stops at a deadline: one window costs at most
// kWindow * kMatchLimit steps (a few hundred milliseconds), and the whole replace gives up
// within a second.
constexpr uint32_t kMatchLimit = 500'000;
constexpr uint32_t kDepthLimit = 10'000;
constexpr PCRE2_SIZE kWindow = 128;
constexpr int64_t kDeadlineMs = 400;
// Room for the JIT's backtracking: a group repeated once per character of a long line needs
// far more than the engine's default of 32 KB.
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;
constexpr uint32_t kObjectMagic = 0x45525851;  // "QXRE"

struct Code {
    pcre2_code* code = nullptr;
    Code() = default;
    Code(const Code&) = delete;
    Code& operator=(Code&& other) noexcept {
        std::swap(code, other.code);
        return *this;
    }
    ~Code() { pcre2_code_free(code); }
};

// A compiled pattern, kept with the switches it was compiled for: the replace that follows a
// compile normally asks for the same ones and then uses it as it is.
struct RegExObject {
    QString pattern;
    Code code;
    bool case_sensitive = true;
    bool multiline = true;
};

std::unordered_map<QxAddr, std::unique_ptr<RegExObject>>& Objects() {
    static std::unordered_map<QxAddr, std::unique_ptr<RegExObject>> objects;
    return objects;
}

RegExObject* ObjectAt(Runtime& rt, const Arg& a) {
    if (a.type != abi::kTypeRegExObject || rt.memory().Read32(a.low) != kObjectMagic)
        return nullptr;
    auto it = Objects().find(a.low);
    return it != Objects().end() ? it->second.get() : nullptr;
}

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

// Compiles `pattern`; null when it does not compile.
pcre2_code* CompilePattern(const QString& pattern, bool case_sensitive, bool multiline) {
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
    return code;
}

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

// Where the search goes on after an empty match at `at` that could not be followed by a
// non-empty one: the next character, never between the CR and LF of a line break nor between
// the two halves of a surrogate pair.
qsizetype StepOver(const QString& subject, qsizetype at) {
    if (at + 1 < subject.size()) {
        const QChar c = subject[at];
        if ((c == QChar('\r') && subject[at + 1] == QChar('\n')) ||
            (c.isHighSurrogate() && subject[at + 1].isLowSurrogate()))
            return at + 2;
    }
    return at + 1;
}

// The text with every match from `start` on replaced by the literal `replacement`, as the
// engine's global substitution does it (an empty match next to the previous match is not
// taken); nullopt when the engine gave up (a limit, the deadline, a text it refuses).
std::optional<QString> Substitute(const pcre2_code* code, const QString& subject,
                                  const QString& replacement, qsizetype start) {
    Search search(code);
    if (!search.ready()) return std::nullopt;
    uint32_t all_options = 0;
    pcre2_pattern_info(code, PCRE2_INFO_ALLOPTIONS, &all_options);
    const bool anchored = (all_options & PCRE2_ANCHORED) != 0;  // e.g. a leading \G

    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.utf16());
    const auto length = static_cast<PCRE2_SIZE>(subject.size());
    const timespec started = CoarseNow();
    QString out;
    PCRE2_SIZE copied = 0;  // subject[0, copied) is in `out`
    auto pos = static_cast<PCRE2_SIZE>(start);
    uint32_t checked = 0;  // PCRE2_NO_UTF_CHECK once the engine has checked the text
    bool after_empty = false;
    out.reserve(subject.size());
    while (pos <= length) {
        if (MillisecondsSince(started) > kDeadlineMs) return std::nullopt;
        const PCRE2_SIZE limit = after_empty || anchored ? pos : std::min(length, pos + kWindow);
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

uint64_t Replace(Runtime& rt, RegExObject* object, const ArgView& a) {
    const std::string_view text = a.Text(rt.memory(), 1);
    auto unchanged = [&] { return uint64_t{rt.memory().NewText(text)}; };
    if (object == nullptr || object->code.code == nullptr || object->pattern.isEmpty()) {
        return unchanged();
    }
    const bool case_sensitive = a.at(5).omitted() || a.Bool(5);
    const bool multiline = a.at(6).omitted() || a.Bool(6);
    if (case_sensitive != object->case_sensitive || multiline != object->multiline) {
        Code other;
        other.code = CompilePattern(object->pattern, case_sensitive, multiline);
        if (other.code == nullptr) return unchanged();
        object->code = std::move(other);
        object->case_sensitive = case_sensitive;
        object->multiline = multiline;
    }
    const Code& code = object->code;
    const QString subject = FromProgramText(text);
    const QString replacement = FromProgramText(a.Text(rt.memory(), 2));
    // Positions count characters from 1.
    const qsizetype start = std::clamp<qsizetype>(a.Int(3, 1) - 1, 0, subject.size());
    const std::optional<QString> result = Substitute(code.code, subject, replacement, start);
    if (!result) return unchanged();
    const QByteArray bytes = ToProgramText(*result);
    return rt.memory().NewText({bytes.constData(), static_cast<size_t>(bytes.size())});
}

}  // namespace

uint64_t RegExCommand(Runtime& rt, uint32_t command, const ArgView& a) {
    switch (command) {
        case abi::kCmdRegExCreate: {
            const QxAddr block = rt.memory().Allocate(8);
            if (block == 0) return 0;
            rt.memory().Write32(block, kObjectMagic);
            rt.memory().Write32(block + 4, 0);
            Objects()[block] = std::make_unique<RegExObject>();
            return block;
        }
        case abi::kCmdRegExCompile: {
            RegExObject* object = ObjectAt(rt, a.at(0));
            if (object == nullptr) return 0;
            object->pattern = FromProgramText(a.Text(rt.memory(), 1));
            Code code;
            code.code = CompilePattern(object->pattern, true, true);
            object->code = std::move(code);
            object->case_sensitive = true;
            object->multiline = true;
            return object->code.code != nullptr ? 1 : 0;
        }
        case abi::kCmdRegExReplace:
            return Replace(rt, ObjectAt(rt, a.at(0)), a);
        case abi::kCmdRegExDestroy: {
            const Arg object = a.at(0);
            if (ObjectAt(rt, object) == nullptr) return 0;
            Objects().erase(object.low);
            rt.memory().Write32(object.low, 0);
            rt.memory().Free(object.low);
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace quorix::host
