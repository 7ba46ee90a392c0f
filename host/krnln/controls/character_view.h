// A view of a character picture: lines of text that never wrap, of any length and number (a
// 4096 x 4096 picture is 4096 lines of 8192 characters). Only the part on screen is laid out,
// so appending text, zooming and scrolling cost what the screen shows, not what the text holds.
// The user scrolls, selects with the mouse or the keyboard and copies; typing (a character,
// a paste or a cut, Enter, Backspace, Delete, or Shift with a movement key) opens the text in an
// editor, which has the keyboard from then on, with its own undo (see editing()).
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>
#include <algorithm>
#include <vector>

#include "host/krnln/controls/line_geometry.h"

class QPainter;
class QPlainTextEdit;

namespace quorix::host {

class PictureEditor;

class CharacterView : public QAbstractScrollArea {
    Q_OBJECT
    // What the view shows and selects, for tests that look at the widget.
    Q_PROPERTY(QString text READ text)
    Q_PROPERTY(qsizetype selectionStart READ selection_start)
    Q_PROPERTY(qsizetype selectionEnd READ selection_end)
public:
    explicit CharacterView(QWidget* parent);

    // The text as shown, line breaks as CR LF.
    const QString& text() const { return text_; }
    void SetText(QString text);
    void Append(QStringView more);
    // Turns the view to the line holding `offset`, at the top where the text reaches far
    // enough, and keeps it there as text is appended, until the user scrolls or the text is set.
    void Reveal(qsizetype offset);

    // Selects [from, to) of the text, clamped to it; to < 0 selects to the end.
    void Select(qsizetype from, qsizetype to);
    bool HasSelection() const { return anchor_ != cursor_; }
    qsizetype selection_start() const { return std::min(anchor_, cursor_); }
    qsizetype selection_end() const { return std::max(anchor_, cursor_); }
    bool SelectsAll() const;
    QString SelectedText() const;

    // The user typed into the picture: it shows in an editor until TakeEdits() takes the
    // edited text back.
    bool editing() const { return editor_ != nullptr; }
    QString TakeEdits();

signals:
    void editingStarted();
    // Ctrl+wheel over the text: +1 a notch up (larger), -1 a notch down.
    void zoomRequested(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    qsizetype LineCount() const { return static_cast<qsizetype>(line_starts_.size()); }
    qsizetype LineStart(qsizetype line) const { return line_starts_[static_cast<size_t>(line)]; }
    qsizetype LineEnd(qsizetype line) const { return lines::LineEnd(text_, line_starts_, line); }
    qsizetype LineOf(qsizetype offset) const { return lines::LineOf(line_starts_, offset); }
    // The x of `offset` in its line, from the line's start.
    double XOf(qsizetype line, qsizetype offset) const {
        return lines::XOf(text_, LineStart(line), offset, advances_);
    }
    double LineWidth(qsizetype line) const { return XOf(line, LineEnd(line)); }
    // The same from the widths measured so far.
    double MeasuredWidth(qsizetype line) const;
    // The text offset nearest to a point of the viewport.
    qsizetype OffsetAt(QPoint point) const;
    // The lines that meet a rectangle of the viewport.
    lines::LineSpan LinesIn(QRect rect) const;
    // The font the text is drawn and measured in.
    QFont ShownFont() const;
    // Paints the characters of `line` that reach into [left, right) (x in the text), at row `y`.
    void PaintLine(QPainter& p, qsizetype line, int y, double left, double right) const;
    void MeasureNewLines();
    void UpdateScrollBars();
    void FollowReveal();
    void ResetMetrics();
    void Copy() const;
    // Scrolls the view by an arrow, page, Home or End key pressed without Shift.
    void MoveView(const QKeyEvent* event);
    void OpenEditor(QEvent* first);
    void PassToEditor(QEvent* event);
    void RequestZoom(QWheelEvent* event);
    friend class PictureEditor;

    QString text_;
    std::vector<qsizetype> line_starts_{0};
    // The widths of the lines measured so far, in digits: a character picture's font is
    // monospaced, so they hold at every size the text is zoomed to.
    std::vector<double> line_units_;
    double widest_units_ = 0;
    double digit_ = 1;  // the advance of a digit at the current font
    lines::Advances advances_;
    int line_height_ = 1;
    int ascent_ = 0;
    qsizetype anchor_ = 0, cursor_ = 0;  // the selection: [min, max)
    QPlainTextEdit* editor_ = nullptr;
    bool passing_ = false;                    // an event is being handed to the editor
    const QEvent* left_by_editor_ = nullptr;  // the event the editor has just left, if any
    int zoom_delta_ = 0;                      // wheel turned with Ctrl, not yet a whole notch
    // The line and x the view was turned to by Reveal(), while it follows them.
    bool revealing_ = false;
    qsizetype reveal_line_ = 0;
    int reveal_x_ = 0;
    bool following_ = false;  // the view is scrolling itself to follow Reveal()
};

}  // namespace quorix::host
