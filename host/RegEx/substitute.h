// The search behind the RegEx library's replace: PCRE2 on UTF-16 text, with bounds on the work.
//
// Patterns are Perl-compatible and match whole characters; line anchors in multi-line mode know
// CR LF line breaks. The replacement text is literal. A search that exceeds the engine's limits
// or runs too long gives up: the caller then keeps the text as it was.
#pragma once

#include <QString>
#include <optional>
#include <utility>

// PCRE2's compiled pattern of 16-bit code units (its pcre2_code_16). Only substitute.cpp
// includes pcre2.h, with the code-unit width it needs, so that the width chosen here does not
// leak into every file that includes this one.
struct pcre2_real_code_16;

namespace quorix::host::regex {

using PatternCode = pcre2_real_code_16;

// A compiled pattern; empty when the pattern did not compile.
struct Code {
    PatternCode* code = nullptr;
    Code() = default;
    explicit Code(PatternCode* compiled) : code(compiled) {}
    Code(Code&& other) noexcept { std::swap(code, other.code); }
    Code(const Code&) = delete;
    Code& operator=(Code&& other) noexcept {
        std::swap(code, other.code);
        return *this;
    }
    ~Code();
};

Code CompilePattern(const QString& pattern, bool case_sensitive, bool multiline);

// The text with every match from `start` (a UTF-16 index) on replaced by the literal
// `replacement`, as one global substitution through the whole text does it; nullopt when the
// engine gave up (a limit, the deadline, a text it refuses).
std::optional<QString> Substitute(const PatternCode* code, const QString& subject,
                                  const QString& replacement, qsizetype start);

}  // namespace quorix::host::regex
