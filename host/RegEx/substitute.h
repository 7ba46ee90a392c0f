// The search behind the RegEx library's replace: PCRE2 on UTF-16 text, with bounds on the work.
//
// Patterns are Perl-compatible and match whole characters; line anchors in multi-line mode know
// CR LF line breaks. The replacement text is literal. A search that exceeds the engine's limits
// or runs too long gives up: the caller then keeps the text as it was.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QString>
#include <optional>
#include <utility>

namespace quorix::host::regex {

// A compiled pattern; empty when the pattern did not compile.
struct Code {
    pcre2_code* code = nullptr;
    Code() = default;
    explicit Code(pcre2_code* compiled) : code(compiled) {}
    Code(Code&& other) noexcept { std::swap(code, other.code); }
    Code(const Code&) = delete;
    Code& operator=(Code&& other) noexcept {
        std::swap(code, other.code);
        return *this;
    }
    ~Code() { pcre2_code_free(code); }
};

Code CompilePattern(const QString& pattern, bool case_sensitive, bool multiline);

// The text with every match from `start` (a UTF-16 index) on replaced by the literal
// `replacement`, as one global substitution through the whole text does it; nullopt when the
// engine gave up (a limit, the deadline, a text it refuses).
std::optional<QString> Substitute(const pcre2_code* code, const QString& subject,
                                  const QString& replacement, qsizetype start);

}  // namespace quorix::host::regex
