// Edit boxes. A multi-line box keeps its text as the program sees it (GB18030 bytes, line
// breaks as CR LF) and shows it in a plain-text view. Text the program appends piece by piece
// (a character picture is millions of pieces) is collected and reaches the view in one insert
// when the runtime lets events through, instead of laying the text out again per piece.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <cmath>
#include <string>

#include "host/krnln/controls/kinds.h"
#include "host/krnln/fonts.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// While a routine appends, the view takes in the new text a few times a second.
constexpr qint64 kShowIntervalMs = 200;

// The widget's text with every paragraph break as CR LF.
QString WidgetText(const QPlainTextEdit* edit) {
    QString text = edit->toPlainText();
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    return text;
}

class MultiLineEditUnit : public UnitHost, public Deferred {
public:
    MultiLineEditUnit(Runtime& rt, const form::UnitBlock& block, QPlainTextEdit* edit,
                      const form::EditProps& props)
        : UnitHost(rt, block, edit), Deferred(kShowIntervalMs), edit_(edit) {
        QFont font = FontFromLogFont(props.font);
        font.setStyleStrategy(QFont::NoAntialias);
        edit_->setFont(font);
        font_size_ = edit_->font().pointSize();
        ApplyFontSize();
        // A box with both scroll bars keeps every line whole: a character picture must not wrap.
        edit_->setLineWrapMode(props.b == 3 ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        edit_->setUndoRedoEnabled(false);
        SetText(props.text);
        QObject::connect(edit_->document(), &QTextDocument::contentsChange, edit_,
                         [this](int, int, int) {
                             if (!updating_) widget_changed_ = true;
                         });
    }
    ~MultiLineEditUnit() override { runtime_.ForgetDeferred(this); }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropText) {
            TakeUserEdits();
            return runtime_.memory().NewText(text_);
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
        switch (command) {
            case abi::kCmdEditAppendText:
                Append(args.Text(runtime_.memory(), 1));
                return 0;
            case abi::kCmdControlSendMessage:
                return SendMessage(static_cast<uint32_t>(args.Int(1)), args.Int(2), args.Int(3));
            default:
                return UnitHost::Command(command, args);
        }
    }

    void Flush() override { FlushNow(); }

    void FlushNow() {
        if (shown_ >= text_.size()) return;
        const QString tail = FromProgramText(std::string_view(text_).substr(shown_));
        shown_ = text_.size();
        updating_ = true;
        QTextCursor cursor(edit_->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(tail);
        updating_ = false;
    }

private:
    // The size in points is shown at the whole pixel size it has at 96 dots per inch, so that
    // a full-width symbol is exactly as wide as two digits and a character picture lines up.
    void ApplyFontSize() {
        if (font_size_ <= 0) return;
        QFont font = edit_->font();
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font_size_ * 96.0 / 72.0))));
        font.setHintingPreference(QFont::PreferNoHinting);
        edit_->setFont(font);
    }

    void SetText(std::string_view bytes) {
        runtime_.ForgetDeferred(this);
        text_.assign(bytes);
        shown_ = text_.size();
        updating_ = true;
        edit_->setPlainText(FromProgramText(text_));
        updating_ = false;
        widget_changed_ = false;
    }

    void Append(std::string_view bytes) {
        if (bytes.empty()) return;
        TakeUserEdits();
        text_.append(bytes);
        runtime_.MarkDeferred(this);
    }

    // After the user typed in the box, its text is what the view shows.
    void TakeUserEdits() {
        if (!widget_changed_) return;
        FlushNow();
        const QByteArray bytes = ToProgramText(WidgetText(edit_));
        text_.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        shown_ = text_.size();
        widget_changed_ = false;
    }

    uint32_t SendMessage(uint32_t message, int32_t wparam, int32_t lparam) {
        FlushNow();
        if (message == abi::kMsgSetSelection) {
            QTextCursor cursor(edit_->document());
            const int end_of_text = cursor.document()->characterCount() - 1;
            const int from = std::clamp(wparam, 0, end_of_text);
            const int to = lparam < 0 ? end_of_text : std::clamp(lparam, 0, end_of_text);
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
            edit_->setTextCursor(cursor);
            return 1;
        }
        if (message == abi::kMsgCopy) {
            const QTextCursor cursor = edit_->textCursor();
            if (!cursor.hasSelection()) return 0;
            QString copied;
            const int end_of_text = edit_->document()->characterCount() - 1;
            if (cursor.selectionStart() == 0 && cursor.selectionEnd() == end_of_text) {
                TakeUserEdits();
                copied = FromProgramText(text_);  // exactly the text, every CR LF included
            } else {
                copied = cursor.selectedText();
                copied.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
            }
            QApplication::clipboard()->setText(copied);
            return 1;
        }
        return 0;
    }

    QPlainTextEdit* edit_;
    std::string text_;  // the whole text as the program sees it
    size_t shown_ = 0;  // how much of text_ the view has
    bool updating_ = false;
    bool widget_changed_ = false;
    int32_t font_size_ = 9;
};

class SingleLineEditUnit : public UnitHost {
public:
    SingleLineEditUnit(Runtime& rt, const form::UnitBlock& block, QLineEdit* edit)
        : UnitHost(rt, block, edit), edit_(edit) {}

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
    auto props = form::DecodeEdit(block.type_block);
    return std::make_unique<MultiLineEditUnit>(rt, block, new QPlainTextEdit(parent),
                                               props ? *props : form::EditProps{});
}

}  // namespace quorix::host
