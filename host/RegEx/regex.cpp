// The RegEx library: regular-expression objects for the program, on PCRE2.
//
// Patterns are Perl-compatible (PCRE2) and match whole characters: texts are decoded from
// GB18030 and matched as UTF-16 with PCRE2's UTF mode. The replacement text is literal: "$" and
// "\" stand for themselves, so every symbol of the symbol list can be a replacement. Line
// anchors in multi-line mode know CR LF line breaks. A pattern that does not compile, an empty
// pattern, or a match that exceeds the engine's limits leaves the text as it was: the replace
// then gives back the text unchanged, never a partial or empty result.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QString>
#include <memory>
#include <unordered_map>

#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "host/library_commands.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// Bounds on the work one replace may do, so that a pattern that backtracks without end stops
// well within a second on a text of some megabytes.
constexpr uint32_t kMatchLimit = 2'000'000;
constexpr uint32_t kDepthLimit = 10'000;
constexpr uint32_t kObjectMagic = 0x45525851;  // "QXRE"

struct RegExObject {
    QString pattern;
    bool compiled = false;
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

struct Code {
    pcre2_code* code = nullptr;
    ~Code() { pcre2_code_free(code); }
};

// Compiles `pattern`; null when it does not compile.
pcre2_code* CompilePattern(const QString& pattern, bool case_sensitive, bool multiline) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    uint32_t options = PCRE2_UTF | PCRE2_UCP;
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

// The text with every match from `start` on replaced; `ok` false when the engine gave up.
QString Substitute(pcre2_code* code, const QString& subject, const QString& replacement,
                   qsizetype start, bool& ok) {
    ok = false;
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_depth_limit(context, kDepthLimit);
    const uint32_t options =
        PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_LITERAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
    QString out;
    PCRE2_SIZE length = static_cast<PCRE2_SIZE>(subject.size() + subject.size() / 4 + 64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        out.resize(static_cast<qsizetype>(length));
        PCRE2_SIZE out_length = length;
        const int rc = pcre2_substitute(code, reinterpret_cast<PCRE2_SPTR>(subject.utf16()),
                                        static_cast<PCRE2_SIZE>(subject.size()),
                                        static_cast<PCRE2_SIZE>(start), options, nullptr, context,
                                        reinterpret_cast<PCRE2_SPTR>(replacement.utf16()),
                                        static_cast<PCRE2_SIZE>(replacement.size()),
                                        reinterpret_cast<PCRE2_UCHAR*>(out.data()), &out_length);
        if (rc >= 0) {
            out.resize(static_cast<qsizetype>(out_length));
            ok = true;
            break;
        }
        if (rc != PCRE2_ERROR_NOMEMORY) break;  // a limit, or a text the engine refuses
        length = out_length;                    // the size it needs
    }
    pcre2_match_context_free(context);
    return ok ? out : QString();
}

uint64_t Replace(Runtime& rt, RegExObject* object, const ArgView& a) {
    const std::string_view text = a.Text(rt.memory(), 1);
    auto unchanged = [&] { return uint64_t{rt.memory().NewText(text)}; };
    if (object == nullptr || !object->compiled || object->pattern.isEmpty()) return unchanged();
    const bool case_sensitive = a.at(5).omitted() || a.Bool(5);
    const bool multiline = a.at(6).omitted() || a.Bool(6);
    Code code;
    code.code = CompilePattern(object->pattern, case_sensitive, multiline);
    if (code.code == nullptr) return unchanged();
    const QString subject = FromProgramText(text);
    const QString replacement = FromProgramText(a.Text(rt.memory(), 2));
    // Positions count characters from 1.
    const qsizetype start = std::clamp<qsizetype>(a.Int(3, 1) - 1, 0, subject.size());
    bool ok = false;
    const QString result = Substitute(code.code, subject, replacement, start, ok);
    if (!ok) return unchanged();
    const QByteArray bytes = ToProgramText(result);
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
            object->compiled = code.code != nullptr;
            return object->compiled ? 1 : 0;
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
