// Push button: a caption and a click.
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// A caption too wide for its button wraps onto further lines, as captions of the form's
// narrow buttons expect; Qt's own button keeps one line per stored line and clips.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        const QRect text = isDown() ? area.translated(1, 1) : area;
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::ButtonText));
        painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         this->text());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
};

class PushButtonUnit : public UnitHost {
public:
    PushButtonUnit(Runtime& rt, const form::UnitBlock& block, QPushButton* button)
        : UnitHost(rt, block, button), button_(button) {
        const auto props = form::DecodePushButton(block.type_block);
        SetCaption(props ? FromBlockText(props->caption) : QString());
        connections_ += QObject::connect(button_, &QPushButton::clicked, [this] { Raise(0); });
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropCaption) return NewText(caption_);
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropCaption) return SetCaption(TextAt(low));
        UnitHost::WriteProperty(property, member, low, high);
    }

private:
    void SetCaption(const QString& caption) {
        caption_ = caption;
        button_->setText(ButtonCaption(caption));
    }

    QPushButton* button_;
    QString caption_;  // as the program stores it, line breaks as CR LF
    Connections connections_;
};

}  // namespace

UnitPtr CreatePushButton(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* button = new WrappingButton(parent);
    button->setFocusPolicy((block.flags & form::kFlagFocus) ? Qt::StrongFocus : Qt::NoFocus);
    return std::make_unique<PushButtonUnit>(rt, block, button);
}

}  // namespace quorix::host
