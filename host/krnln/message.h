// The runtime's message box: a warning over the window, read and closed by the user.
#pragma once

#include <QString>

class QWidget;

namespace quorix::host {

// Shows `text` under `caption` in a modal box over `over` (null: over nothing) and returns once
// the user has closed it. Its text can be selected, and Ctrl+C copies all of it.
void ShowMessage(QWidget* over, const QString& caption, const QString& text);

}  // namespace quorix::host
