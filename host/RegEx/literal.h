// A replace whose pattern is plain characters needs no expression engine: the text is copied
// once into a buffer of the right size, each occurrence replaced on the way. A character picture
// has millions of occurrences of a symbol, and the engine costs a call per occurrence.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace quorix::host::regex {

// Whether `pattern` matches exactly its own characters, case-sensitively: no character that
// means something to the engine, and no line break (whose matching knows CR LF).
bool IsLiteral(QStringView pattern);

// What Substitute gives for a literal (non-empty) pattern from the start of the text: every
// occurrence, left to right and not overlapping, replaced by `replacement`; nullopt for a text
// that is not well-formed UTF-16, which the engine refuses.
std::optional<QString> SubstituteLiteral(const QString& subject, QStringView literal,
                                         QStringView replacement);

}  // namespace quorix::host::regex
