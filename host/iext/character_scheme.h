// Character schemes: a mapping kept in a file, so that one mapping serves many pictures.
//
// A scheme is UTF-8 text, one line per colour: the colour as `#RRGGBB`, a tab, the characters
// (which may be empty). Lines end in LF or CR LF; a UTF-8 byte-order mark and blank lines are
// allowed. Loading gives each colour of a list the characters of the scheme's nearest colour:
// the same colour when the scheme has it, else the nearest in CIELAB (CIE76 distance).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace quorix::host {

struct SchemeRow {
    uint32_t colour = 0;  // a colour value, 0x00BBGGRR
    QString characters;
};

struct SchemeReading {
    std::vector<SchemeRow> rows;  // empty when the file is not a scheme
    QString error;                // why the file is not a scheme; empty when it is
};

// A scheme file larger than this is not read: a scheme of every colour of a 4096 x 4096 picture
// takes less.
constexpr qsizetype kMaxSchemeBytes = qsizetype{256} << 20;

SchemeReading ReadScheme(const QByteArray& bytes);
QByteArray WriteScheme(const std::vector<SchemeRow>& rows);

// For each colour value, the index of the scheme row whose colour is nearest to it; -1 for
// all when the scheme has no rows.
std::vector<int> NearestRows(const std::vector<SchemeRow>& scheme,
                             const std::vector<uint32_t>& colours);

}  // namespace quorix::host
