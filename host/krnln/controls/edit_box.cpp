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
#include "host/krnln/controls/edit_box_shown.h"
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

// While a routine runs, what it appends is shown at most this often: twice as often as other
// widgets repaint, because each showing moves everything appended since the last into the
// view, and at step two's pace 40 ms of appending (1.6 M characters) takes the window 13 ms to
// take in, too long for its events to wait. Half as much at a time keeps that under 8 ms; only
// lines on screen repaint, so showing more often costs no more painting.
constexpr qint64 kBusyTextIntervalMs = kBusyRepaintIntervalMs / 2;

template <typename Shown>
class MultiLineEditUnit : public EditUnit, public Deferred {
public:
    MultiLineEditUnit(Runtime& rt, const form::UnitBlock& block, typename Shown::Widget* widget,
                      const EditSettings& settings)
        : EditUnit(rt, block, widget), Deferred(kBusyTextIntervalMs), shown_(widget) {
        QFont font = FontFromLogFont(settings.font);
        font.setStyleStrategy(QFont::NoAntialias);
        widget_->setFont(font);
        font_size_ = widget_->font().pointSize();
        ApplyFontSize();
        SetText(settings.text);
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

UnitPtr CreateEditBox(Runtime& rt, const form::UnitBlock& block, const EditSettings& settings,
                      QWidget* parent) {
    switch (settings.view) {
        case EditSettings::View::kSingleLine:
            return std::make_unique<SingleLineEditUnit>(rt, block, new QLineEdit(parent));
        case EditSettings::View::kCharacterPicture: {
            auto unit = std::make_unique<MultiLineEditUnit<CharacterShown>>(
                rt, block, new CharacterView(parent), settings);
            UseFlatCommands<abi::kLibKrnln, abi::kCmdEditAppendText>(*unit);
            return unit;
        }
        case EditSettings::View::kPlainText:
            break;
    }
    auto* edit = new QPlainTextEdit(parent);
    if (settings.read_only) {
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return std::make_unique<MultiLineEditUnit<PlainTextShown>>(rt, block, edit, settings);
}

}  // namespace quorix::host
