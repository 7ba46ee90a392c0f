// Push button: a caption and a click.
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>

#include "host/krnln/controls/caption_unit.h"
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
    void keyPressEvent(QKeyEvent* event) override {
        if (IsPlainEnter(event)) return animateClick();
        QPushButton::keyPressEvent(event);
    }
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

class PushButtonUnit : public CaptionUnit {
public:
    PushButtonUnit(Runtime& rt, const form::UnitBlock& block, const form::PushButtonProps& props,
                   QPushButton* button)
        : CaptionUnit(rt, block, button), button_(button) {
        SetCaption(FromBlockText(props.caption));
        connections_ +=
            QObject::connect(button_, &QPushButton::clicked, [this] { Raise(abi::kEvClicked); });
    }

private:
    void ShowCaption(const QString& caption) override { button_->setText(ButtonCaption(caption)); }

    QPushButton* button_;
    Connections connections_;
};

}  // namespace

UnitPtr CreatePushButton(Runtime& rt, const form::UnitBlock& block,
                         const form::PushButtonProps& props, QWidget* parent) {
    auto* button = new WrappingButton(parent);
    return std::make_unique<PushButtonUnit>(rt, block, props, button);
}

}  // namespace quorix::host
