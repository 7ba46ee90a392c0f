// Edit boxes. A multi-line box keeps its text as the program sees it (GB18030 bytes, line
// breaks as CR LF) and shows it in a plain-text editor, or, when the box holds a character
// picture, in a character view. Text the program appends piece by piece (a character picture is
// millions of pieces) is collected and reaches the view in one piece when the runtime lets
// events through.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "host/krnln/controls/character_view.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/controls/ramp_dialog.h"
#include "host/krnln/file_writing.h"
#include "host/krnln/fonts.h"
#include "host/krnln/program_texts.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "host/krnln/window_extras.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// The input mode of a box (the last word of its properties).
constexpr uint32_t kReadOnlyInput = 1;

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
    void Append(std::string_view bytes) { AppendFromProgramText(tail_, bytes); }
    bool ShowAppended(bool reveal) {
        if (tail_.empty()) return false;
        const qsizetype at = view_->text().size();
        view_->Append(QStringView(tail_.data(), static_cast<qsizetype>(tail_.size())));
        tail_.clear();
        if (reveal) view_->Reveal(at);
        return true;
    }
    QxAddr NewProgramText(ProgramMemory& memory) const {
        if (tail_.empty()) return host::NewProgramText(memory, view_->text());
        return host::NewProgramText(memory, Text());
    }
    QString Text() const {
        return view_->text() +
               QStringView(tail_.data(), static_cast<qsizetype>(tail_.size())).toString();
    }
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
    std::u16string tail_;  // appended, not yet shown
};

// What every edit box answers alike.
class EditUnit : public UnitHost {
public:
    using UnitHost::UnitHost;

protected:
    // kCmdEditTextWidth: (box, text) -> the text's width in the box's font, in hundredths of a
    // digit.
    uint64_t TextWidthCommand(const ArgView& args) const {
        const QString text = FromProgramText(args.Text(runtime_.memory(), 1));
        return static_cast<uint32_t>(TextWidthHundredths(widget_->font(), text));
    }
};

template <typename Shown>
class MultiLineEditUnit : public EditUnit, public Deferred {
public:
    MultiLineEditUnit(Runtime& rt, const form::UnitBlock& block, typename Shown::Widget* widget,
                      const form::EditProps& props)
        : EditUnit(rt, block, widget), Deferred(kBusyRepaintIntervalMs), shown_(widget) {
        QFont font = FontFromLogFont(props.font);
        font.setStyleStrategy(QFont::NoAntialias);
        widget_->setFont(font);
        font_size_ = widget_->font().pointSize();
        ApplyFontSize();
        SetText(props.text);
        // Ctrl+wheel over a character picture steps its size as the spin control beside it
        // does, through the program's own handler.
        if (auto* view = qobject_cast<CharacterView*>(widget_)) {
            const QString spin = ZoomSpinOf(FromProgramText(block.name));
            connections_ +=
                QObject::connect(view, &CharacterView::zoomRequested, [this, spin](int step) {
                    if (!spin.isEmpty()) runtime_.RaiseEvent(spin, abi::kEvSpin, {step});
                });
        }
    }
    ~MultiLineEditUnit() override { runtime_.ForgetDeferred(this); }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropText) {
            TakeUserEdits();
            return shown_.NewProgramText(runtime_.memory());
        }
        if (property == abi::kPropFont && member == abi::kFontSize) {
            return static_cast<uint32_t>(font_size_);
        }
        return UnitHost::ReadProperty(property, member);
    }

    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropText) {
            SetText(runtime_.memory().Text(low));
            return;
        }
        if (property == abi::kPropFont && member == abi::kFontSize) {
            // The size is kept as given; the view shows it when a font can have it.
            font_size_ = static_cast<int32_t>(low);
            ApplyFontSize();
            return;
        }
        UnitHost::WriteProperty(property, member, low, high);
    }

    uint64_t Command(uint32_t command, const ArgView& args) override {
        // Step two appends once per pixel.
        if (command == abi::kCmdEditAppendText) {
            Append(args.Text(runtime_.memory(), 1));
            return 0;
        }
        return OtherCommand(command, args);
    }

    void Flush() override { FlushNow(); }

private:
    [[gnu::noinline]] uint64_t OtherCommand(uint32_t command, const ArgView& args) {
        switch (command) {
            case abi::kCmdControlSendMessage:
                return SendMessage(static_cast<uint32_t>(args.Int(1)), args.Int(2), args.Int(3));
            case abi::kCmdEditTextWidth:
                return TextWidthCommand(args);
            case abi::kCmdEditChooseRamp:
                return ChooseRamp();
            case abi::kCmdEditSaveText:
                return SaveText(FromProgramText(args.Text(runtime_.memory(), 1)));
            default:
                return UnitHost::Command(command, args);
        }
    }

    // The dialog "按亮度分配字符", its list in this box's font; it starts with the ramp last
    // confirmed.
    uint32_t ChooseRamp() {
        const std::optional<QString> ramp = AskForRamp(widget_->window(), widget_->font(), ramp_);
        if (!ramp) return NewText(QString());
        ramp_ = *ramp;
        return NewText(ramp_);
    }

    // The whole text as it stands, what the user typed included, as UTF-8: what a copy of all
    // of it puts on the clipboard.
    uint32_t SaveText(const QString& path) {
        FlushNow();
        TakeUserEdits();
        return NewText(SaveOrSayWhy(path, shown_.Text().toStdString()));
    }

    void FlushNow() {
        if (shown_.ShowAppended(reveal_)) reveal_ = false;
    }

    // The size in points is shown at the whole pixel size it has at 96 dots per inch, so that
    // a full-width symbol is exactly as wide as two digits and a character picture lines up.
    void ApplyFontSize() {
        if (font_size_ <= 0) return;
        QFont font = widget_->font();
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font_size_ * 96.0 / 72.0))));
        font.setHintingPreference(QFont::PreferNoHinting);
        widget_->setFont(font);
    }

    void SetText(std::string_view bytes) {
        runtime_.ForgetDeferred(this);
        shown_.SetText(bytes);
    }

    void Append(std::string_view bytes) {
        if (bytes.empty()) return;
        // What a routine appends is shown from its start: after step two the user sees the top
        // of the picture it has just made, not the one before it.
        if (runtime_.routine_runs() != appending_run_) {
            appending_run_ = runtime_.routine_runs();
            reveal_ = true;
        }
        TakeUserEdits();
        shown_.Append(bytes);
        runtime_.MarkDeferred(this);
    }

    // After the user typed in the box, its text is what the view shows.
    void TakeUserEdits() {
        if (!shown_.HasUserEdits()) return;
        FlushNow();
        shown_.TakeUserEdits();
    }

    uint32_t SendMessage(uint32_t message, int32_t wparam, int32_t lparam) {
        FlushNow();
        TakeUserEdits();
        if (message == abi::kMsgSetSelection) {
            shown_.Select(wparam, lparam);
            return 1;
        }
        if (message == abi::kMsgCopy) {
            const QString copied = shown_.Copied();
            if (copied.isEmpty()) return 0;
            QApplication::clipboard()->setText(copied);
            return 1;
        }
        return 0;
    }

    Shown shown_;
    QString ramp_ = CharacterRamps().first();
    int32_t font_size_ = 9;
    uint64_t appending_run_ = 0;  // the routine run that appended last
    bool reveal_ = false;         // the view is to turn to the start of what comes next
    Connections connections_;
};

class SingleLineEditUnit : public EditUnit {
public:
    SingleLineEditUnit(Runtime& rt, const form::UnitBlock& block, QLineEdit* edit)
        : EditUnit(rt, block, edit), edit_(edit) {}

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropText) return NewText(edit_->text());
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropText) {
            edit_->setText(TextAt(low));
            return;
        }
        UnitHost::WriteProperty(property, member, low, high);
    }
    uint64_t Command(uint32_t command, const ArgView& args) override {
        if (command == abi::kCmdEditAppendText) {
            edit_->setText(edit_->text() + FromProgramText(args.Text(runtime_.memory(), 1)));
            return 0;
        }
        if (command == abi::kCmdEditTextWidth) return TextWidthCommand(args);
        return UnitHost::Command(command, args);
    }

private:
    QLineEdit* edit_;
};

}  // namespace

UnitPtr CreateEditBox(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    // A box with properties of its own is a multi-line box; one left at the defaults is a
    // single line.
    if (block.type_block.empty()) {
        return std::make_unique<SingleLineEditUnit>(rt, block, new QLineEdit(parent));
    }
    auto decoded = form::DecodeEdit(block.type_block);
    const form::EditProps props = decoded ? *decoded : form::EditProps{};
    // A box with both scroll bars keeps every line whole: it holds a character picture.
    if (props.b == 3) {
        auto* view = new CharacterView(parent);
        return std::make_unique<MultiLineEditUnit<CharacterShown>>(rt, block, view, props);
    }
    auto* edit = new QPlainTextEdit(parent);
    // Input mode 1 is read-only: the text can be read, selected and copied, not changed.
    if (props.c == kReadOnlyInput) {
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return std::make_unique<MultiLineEditUnit<PlainTextShown>>(rt, block, edit, props);
}

}  // namespace quorix::host
