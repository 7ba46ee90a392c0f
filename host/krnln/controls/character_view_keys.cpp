// The character view's keyboard: movement and copying on the view, and the editor that typing
// opens over the picture, which has the keyboard from then on.
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>

#include "host/krnln/controls/character_view.h"

namespace quorix::host {

// The editor that typing opens over the picture.
class PictureEditor : public QPlainTextEdit {
public:
    explicit PictureEditor(CharacterView* view) : QPlainTextEdit(view), view_(view) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        view_->left_by_editor_ = event;
        // Ctrl+Y redoes, as Ctrl+Z undoes, also where the desktop's keys name only
        // Ctrl+Shift+Z.
        if (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier &&
            !event->matches(QKeySequence::Redo)) {
            redo();
        } else {
            QPlainTextEdit::keyPressEvent(event);
        }
        if (event->isAccepted()) view_->left_by_editor_ = nullptr;
    }
    void inputMethodEvent(QInputMethodEvent* event) override {
        view_->left_by_editor_ = event;
        QPlainTextEdit::inputMethodEvent(event);
        if (event->isAccepted()) view_->left_by_editor_ = nullptr;
    }
    // Ctrl+wheel zooms the picture as it does over the view; the editor's own zoom would
    // leave the box's text size behind.
    void wheelEvent(QWheelEvent* event) override {
        if (event->modifiers() & Qt::ControlModifier) return view_->RequestZoom(event);
        QPlainTextEdit::wheelEvent(event);
    }

private:
    CharacterView* view_;
};

namespace {

bool MovesTheView(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

// A key that changes the text: a printable character, a paste or a cut, a line break, or an
// erasure.
bool Edits(const QKeyEvent* event) {
    const bool types = !event->text().isEmpty() && event->text()[0].isPrint();
    return types || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
           event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
           event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
}

}  // namespace

void CharacterView::keyPressEvent(QKeyEvent* event) {
    if (editor_ != nullptr) return PassToEditor(event);
    if (event->matches(QKeySequence::Copy)) return Copy();
    if (event->matches(QKeySequence::SelectAll)) return Select(0, -1);
    if (MovesTheView(event->key())) {
        // With Shift the selection grows from where it is, as in any text box: that is the
        // editor's work.
        if (event->modifiers() & Qt::ShiftModifier) return OpenEditor(event);
        return MoveView(event);
    }
    if (Edits(event)) return OpenEditor(event);
    QAbstractScrollArea::keyPressEvent(event);
}

void CharacterView::MoveView(const QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Up:
            return v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        case Qt::Key_Down:
            return v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        case Qt::Key_PageUp:
            return v->triggerAction(QAbstractSlider::SliderPageStepSub);
        case Qt::Key_PageDown:
            return v->triggerAction(QAbstractSlider::SliderPageStepAdd);
        case Qt::Key_Left:
            return h->triggerAction(QAbstractSlider::SliderSingleStepSub);
        case Qt::Key_Right:
            return h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        case Qt::Key_Home:
            // Ctrl+Home also puts the caret at the start, where typing then goes.
            if (control) {
                Select(0, 0);
                v->setValue(0);
            }
            return h->setValue(0);
        case Qt::Key_End:
            if (control) {
                Select(text_.size(), text_.size());
                v->setValue(v->maximum());
            }
            return h->setValue(h->maximum());
        default:
            return;
    }
}

void CharacterView::inputMethodEvent(QInputMethodEvent* event) {
    if (editor_ != nullptr) return PassToEditor(event);
    OpenEditor(event);
}

void CharacterView::PassToEditor(QEvent* event) {
    // An event the editor leaves goes up to its parent, the view: it goes on up to the window,
    // never down again.
    if (passing_ || event == left_by_editor_) {
        left_by_editor_ = nullptr;
        return event->ignore();
    }
    // While the editor is open it has the keyboard (the view hands its focus on to it); an event
    // sent to the view itself is the editor's.
    passing_ = true;
    QApplication::sendEvent(editor_, event);
    passing_ = false;
    // Left by the editor, it has gone up to the window already.
    event->accept();
}

QVariant CharacterView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled) return true;
    return QAbstractScrollArea::inputMethodQuery(query);
}

void CharacterView::OpenEditor(QEvent* first) {
    // The editor holds the whole text as plain text (line breaks as LF), with the caret where
    // the selection ended.
    QString plain = text_;
    const qsizetype caret = cursor_ - text_.left(cursor_).count(QStringLiteral("\r\n"));
    const qsizetype anchor = anchor_ - text_.left(anchor_).count(QStringLiteral("\r\n"));
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    editor_ = new PictureEditor(this);
    editor_->setFont(font());
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setFrameShape(QFrame::NoFrame);
    // Tab moves on to the next control, as it does from the view: a picture holds no tabs.
    editor_->setTabChangesFocus(true);
    editor_->setPlainText(plain);  // which starts the undo history here
    editor_->setUndoRedoEnabled(true);
    QTextCursor c = editor_->textCursor();
    c.setPosition(static_cast<int>(anchor));
    c.setPosition(static_cast<int>(caret), QTextCursor::KeepAnchor);
    editor_->setTextCursor(c);
    editor_->setGeometry(rect());
    // From now on the keyboard goes straight to the editor, also when the view is given the
    // focus (the program's 复制 does that).
    setFocusProxy(editor_);
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    PassToEditor(first);
    emit editingStarted();
}

QString CharacterView::TakeEdits() {
    if (editor_ == nullptr) return text_;
    QString edited = editor_->toPlainText();
    edited.replace(QChar('\n'), QStringLiteral("\r\n"));
    const bool had_focus = editor_->hasFocus();
    setFocusProxy(nullptr);
    editor_->deleteLater();
    editor_->hide();
    editor_ = nullptr;
    SetText(edited);
    if (had_focus) setFocus(Qt::OtherFocusReason);
    return text_;
}

void CharacterView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return QAbstractScrollArea::wheelEvent(event);
    RequestZoom(event);
}

void CharacterView::RequestZoom(QWheelEvent* event) {
    event->accept();
    // A wheel notch is 120; a touchpad sends less at a time, which adds up to notches.
    zoom_delta_ += event->angleDelta().y();
    while (zoom_delta_ >= 120) {
        zoom_delta_ -= 120;
        emit zoomRequested(1);
    }
    while (zoom_delta_ <= -120) {
        zoom_delta_ += 120;
        emit zoomRequested(-1);
    }
}

}  // namespace quorix::host
