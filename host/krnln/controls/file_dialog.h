// Common file dialog: a unit that is never shown as a control. Its command shows Qt's own file
// dialog, modal over the main window.
#pragma once

#include <QString>
#include <QStringList>

namespace quorix::host {

// Turns a stored filter, label and pattern pairs joined by '|' ("Images(*.bmp)|*.bmp"), into
// Qt name filters, one per pair. A label that already ends in its pattern in parentheses is
// used alone, any other label gets " (pattern)". Patterns separated by ';' become
// space-separated. A label without a pattern is dropped.
QStringList NameFiltersFromProgramFilter(const QString& filter);

// The name filters of a dialog that opens a file: those of the stored filter, and when every
// pattern of it names a picture format (a suffix in `picture_suffixes`), first one more that
// lists all those formats, so that every picture the runtime reads shows.
QStringList OpenFileFilters(const QString& filter, const QStringList& picture_suffixes);

}  // namespace quorix::host
