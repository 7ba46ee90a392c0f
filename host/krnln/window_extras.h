// What the window offers on a desktop that its form has no field for: what the controls that
// show only a symbol do (their tooltips), names for the controls without a caption (for screen
// readers), the standard keys of the menu entries, the tab that F1 shows, and the spin control
// that Ctrl+wheel over a text box turns. Looked up by the names and captions the form gives.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <optional>

class QWidget;

namespace quorix::host {

// Gives the control `widget`, named `name` in the form, its tooltip and accessible name (and
// those of its parts, such as a spin control's arrows).
void ApplyHints(const QString& name, QWidget* widget);

// Names the parts of a control that a person operates but that have no caption of their own:
// the text field of an editable combo box takes the box's name, and each scroll bar of
// `frame` (the widget that shows the control) says which way it scrolls what.
void NameParts(QWidget* frame, QWidget* widget);

// The standard key of the menu entry with this caption, if it has one ("载入图片": Open).
std::optional<QKeySequence::StandardKey> MenuKey(const QString& caption);

// ---- Undo and redo ----------------------------------------------------------------------------
// The keys of the menu entry with this caption that no standard key names on every desktop
// ("撤销": Ctrl+Z; "重做": Ctrl+Y and Ctrl+Shift+Z); empty for the others.
QList<QKeySequence> MenuEditKeys(const QString& caption);

// Lets the text box that has the keyboard focus keep Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z for its
// own undo and redo, before the menu's keys take them; `parent` owns it.
void KeepEditKeysInTextBoxes(QObject* parent);
// ---- end of undo and redo -------------------------------------------------------------------

// The caption of the tab that F1 shows.
QString HelpTabCaption();

// The spin control whose arrows step the text size of the box named `box`; empty for none.
QString ZoomSpinOf(const QString& box);

}  // namespace quorix::host
