// The RegEx library: regular-expression objects for the program, on PCRE2.
//
// Patterns are Perl-compatible (PCRE2) and match whole characters: texts are decoded from
// GB18030 and matched as UTF-16 with PCRE2's UTF mode. The replacement text is literal: "$" and
// "\" stand for themselves, so every symbol of the symbol list can be a replacement. Line
// anchors in multi-line mode know CR LF line breaks. A pattern that does not compile, an empty
// pattern, or a search that exceeds the engine's limits or runs too long leaves the text as it
// was: the replace then gives back the text unchanged, never a partial or empty result.
#include <QString>
#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "host/RegEx/literal.h"
#include "host/RegEx/substitute.h"
#include "host/krnln/program_texts.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "host/library_commands.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

using regex::Code;
using regex::CompilePattern;
using regex::IsLiteral;
using regex::Substitute;
using regex::SubstituteLiteral;

constexpr uint32_t kObjectMagic = 0x45525851;  // "QXRE"

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

bool ContainsBytes(std::string_view text, const QByteArray& part) {
    return text.find(std::string_view(part.constData(), size_t(part.size()))) !=
           std::string_view::npos;
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
        Code other = CompilePattern(object->pattern, case_sensitive, multiline);
        if (other.code == nullptr) return unchanged();
        object->code = std::move(other);
        object->case_sensitive = case_sensitive;
        object->multiline = multiline;
    }
    const Code& code = object->code;
    // Positions count characters from 1.
    const bool from_start = a.Int(3, 1) <= 1;
    const bool literal = case_sensitive && from_start && IsLiteral(object->pattern);
    // Plain characters whose bytes occur nowhere in the text's bytes occur nowhere in its
    // characters: nothing to replace, and nothing to convert.
    if (literal && !ContainsBytes(text, ToProgramText(object->pattern))) return unchanged();
    // The text is most often the output box's, just read: it is not converted again.
    const QString subject = TextFromProgram(text);
    const QString replacement = FromProgramText(a.Text(rt.memory(), 2));
    const qsizetype start =
        from_start ? 0 : std::clamp<qsizetype>(a.Int(3, 1) - 1, 0, subject.size());
    const std::optional<QString> result =
        literal ? SubstituteLiteral(subject, object->pattern, replacement)
                : Substitute(code.code, subject, replacement, start);
    if (!result) return unchanged();
    return NewProgramText(rt.memory(), *result);
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
            object->code = CompilePattern(object->pattern, true, true);
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
