// Push button: a caption and a click.
#include <QPushButton>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

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
    auto* button = new QPushButton(parent);
    button->setFocusPolicy((block.flags & form::kFlagFocus) ? Qt::StrongFocus : Qt::NoFocus);
    return std::make_unique<PushButtonUnit>(rt, block, button);
}

}  // namespace quorix::host
