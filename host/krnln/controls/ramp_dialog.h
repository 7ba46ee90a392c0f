// The dialog "按亮度分配字符": an editable list of ramps of characters, each read darkest
// first, from which the user picks or types the one to give the colours by their lightness.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace quorix::host {

// The ramps offered, the block ramp first.
QStringList CharacterRamps();

// Shows the dialog modal over `parent`, its list shown in `font`'s family and starting at
// `start`; the ramp confirmed, or nullopt when cancelled.
std::optional<QString> AskForRamp(QWidget* parent, const QFont& font, const QString& start);

}  // namespace quorix::host
