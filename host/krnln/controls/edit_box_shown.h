// Where a multi-line edit box's text lives: in the widget that shows it.
#pragma once

#include <QObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QString>
#include <QStringView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "host/krnln/controls/character_view.h"
#include "host/krnln/program_memory.h"
#include "host/krnln/program_texts.h"
#include "host/krnln/text_codec.h"

namespace quorix::host {

// A multi-line box's text lives in what shows it: a plain-text editor for text that wraps (with
// the program's bytes beside it, whose CR LF the editor would not keep), a character view for a
// picture that must not (its Unicode text is the only copy). Both offer the same calls:
//   SetText(bytes)           the program sets the whole text; what the user typed is dropped
//   Append(bytes)            collects text the program appends, not yet shown
//   ShowAppended(reveal)     shows what was collected (with `reveal`, turned to where it
//                            starts); false when nothing was
//   NewProgramText(memory)   the whole text as a new text in program memory
//   Text()                   the whole text, appended text not yet shown included
//   HasUserEdits()           whether the user typed since the edits were last taken
//   TakeUserEdits()          the user's text becomes the program's
//   Select(from, to)         selects [from, to), line breaks counting as one character;
//                            to < 0: to the end
//   Copied()                 the selection as the clipboard is to have it

// The text in a QPlainTextEdit, whose paragraphs are the lines.
class PlainTextShown {
public:
    using Widget = QPlainTextEdit;
    explicit PlainTextShown(QPlainTextEdit* edit) : edit_(edit) {
        edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit_->setUndoRedoEnabled(false);
        QObject::connect(edit_->document(), &QTextDocument::contentsChange, edit_,
                         [this](int, int, int) {
                             if (!updating_) user_changed_ = true;
                         });
    }
    void SetText(std::string_view bytes) {
        text_.assign(bytes);
        shown_up_to_ = text_.size();
        updating_ = true;
        edit_->setPlainText(FromProgramText(text_));
        updating_ = false;
        user_changed_ = false;
    }
    void Append(std::string_view bytes) { text_.append(bytes); }
    bool ShowAppended(bool reveal) {
        if (shown_up_to_ >= text_.size()) return false;
        const QString tail = FromProgramText(std::string_view(text_).substr(shown_up_to_));
        shown_up_to_ = text_.size();
        updating_ = true;
        QTextCursor cursor(edit_->document());
        cursor.movePosition(QTextCursor::End);
        const int at = cursor.position();
        cursor.insertText(tail);
        updating_ = false;
        if (reveal) {
            edit_->verticalScrollBar()->setValue(
                edit_->document()->findBlock(at).firstLineNumber());
        }
        return true;
    }
    QxAddr NewProgramText(ProgramMemory& memory) const { return memory.NewText(text_); }
    QString Text() const { return FromProgramText(text_); }
    bool HasUserEdits() const { return user_changed_; }
    void TakeUserEdits() {
        user_changed_ = false;
        QString text = edit_->toPlainText();
        text.replace(QChar('\n'), QStringLiteral("\r\n"));
        const QByteArray bytes = ToProgramText(text);
        text_.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        shown_up_to_ = text_.size();
    }
    void Select(int from, int to) {
        QTextCursor cursor(edit_->document());
        const int end_of_text = cursor.document()->characterCount() - 1;
        cursor.setPosition(std::clamp(from, 0, end_of_text));
        cursor.setPosition(to < 0 ? end_of_text : std::clamp(to, 0, end_of_text),
                           QTextCursor::KeepAnchor);
        edit_->setTextCursor(cursor);
    }
    QString Copied() const {
        const QTextCursor cursor = edit_->textCursor();
        const int end_of_text = edit_->document()->characterCount() - 1;
        // The whole text is copied exactly, every CR LF included.
        if (cursor.hasSelection() && cursor.selectionStart() == 0 &&
            cursor.selectionEnd() == end_of_text) {
            return FromProgramText(text_);
        }
        QString copied = cursor.selectedText();
        copied.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        return copied;
    }

    PlainTextShown(const PlainTextShown&) = delete;  // the editor's signal holds `this`
    PlainTextShown& operator=(const PlainTextShown&) = delete;

private:
    QPlainTextEdit* edit_;
    std::string text_;        // the whole text as the program sees it
    size_t shown_up_to_ = 0;  // how much of text_ the editor has
    bool updating_ = false;
    bool user_changed_ = false;
};

// Text appended and not yet shown. It grows by doubling and keeps its room when it is cleared:
// a step fills it again between two flushes, a pixel's characters at a time.
class PendingText {
public:
    bool empty() const { return size_ == 0; }
    QStringView view() const { return {data_.get(), size_}; }
    void clear() { size_ = 0; }
    // Room for `n` more characters at the end; Commit() keeps those written there.
    char16_t* Room(qsizetype n) {
        if (capacity_ - size_ < n) Grow(n);
        return data_.get() + size_;
    }
    void Commit(qsizetype n) { size_ += n; }
    // Appends what FromProgramText(bytes) gives.
    void AppendProgramText(std::string_view bytes) {
        const auto n = static_cast<qsizetype>(bytes.size());
        char16_t* out = Room(n);
        // A pixel's characters are most often a few ASCII digits: copied as they are.
        if (n <= 8) {
            const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
            uint8_t high = 0;
            for (qsizetype i = 0; i < n; ++i) {
                out[i] = p[i];
                high |= p[i];
            }
            if (high < 0x80) return Commit(n);
        }
        const qsizetype written = DecodeProgramText(bytes, out);
        if (written >= 0) return Commit(written);
        const QString whole = FromProgramText(bytes);  // a code for ICU
        std::copy_n(whole.utf16(), whole.size(), Room(whole.size()));
        Commit(whole.size());
    }

private:
    void Grow(qsizetype n) {
        const qsizetype capacity = std::max({size_ + n, 2 * capacity_, qsizetype{4096}});
        auto data = std::make_unique_for_overwrite<char16_t[]>(static_cast<size_t>(capacity));
        std::copy_n(data_.get(), size_, data.get());
        data_ = std::move(data);
        capacity_ = capacity;
    }
    std::unique_ptr<char16_t[]> data_;
    qsizetype size_ = 0, capacity_ = 0;
};

// The text in a CharacterView, which keeps the CR LF line breaks. Appended text waits in
// Unicode until it is shown; the view's text is then the only copy.
class CharacterShown {
public:
    using Widget = CharacterView;
    explicit CharacterShown(CharacterView* view) : view_(view) {}
    void SetText(std::string_view bytes) {
        if (view_->editing()) view_->TakeEdits();  // the program's text replaces them
        tail_.clear();
        view_->SetText(TextFromProgram(bytes));
    }
    void Append(std::string_view bytes) { tail_.AppendProgramText(bytes); }
    bool ShowAppended(bool reveal) {
        if (tail_.empty()) return false;
        const qsizetype at = view_->text().size();
        view_->Append(tail_.view());
        tail_.clear();
        if (reveal) view_->Reveal(at);
        return true;
    }
    QxAddr NewProgramText(ProgramMemory& memory) const {
        if (tail_.empty()) return host::NewProgramText(memory, view_->text());
        return host::NewProgramText(memory, Text());
    }
    QString Text() const { return view_->text() + tail_.view().toString(); }
    bool HasUserEdits() const { return view_->editing(); }
    void TakeUserEdits() { view_->TakeEdits(); }
    void Select(int from, int to) {
        // The view counts CR LF as two characters.
        view_->Select(ViewOffset(from), to < 0 ? -1 : ViewOffset(to));
    }
    QString Copied() const { return view_->SelectedText(); }

private:
    qsizetype ViewOffset(int characters) const {
        const QString& text = view_->text();
        qsizetype offset = 0;
        for (int counted = 0; counted < characters && offset < text.size(); ++counted) {
            offset += text.mid(offset, 2) == QStringLiteral("\r\n") ? 2 : 1;
        }
        return offset;
    }
    CharacterView* view_;
    PendingText tail_;  // appended, not yet shown
};

}  // namespace quorix::host
