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

}  // namespace quorix::host
