// Radio box: a caption and a checked state. Radio boxes with the same parent exclude each other.
#include <QRadioButton>

#include "host/krnln/controls/caption_unit.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

class RadioBoxUnit : public CaptionUnit {
public:
    RadioBoxUnit(Runtime& rt, const form::UnitBlock& block, const form::RadioProps& props,
                 QRadioButton* radio)
        : CaptionUnit(rt, block, radio), radio_(radio) {
        SetCaption(FromBlockText(props.caption));
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropChecked) return radio_->isChecked() ? 1 : 0;
        return CaptionUnit::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropChecked) return SetChecked(low != 0);
        CaptionUnit::WriteProperty(property, member, low, high);
    }

private:
    void ShowCaption(const QString& caption) override { radio_->setText(ButtonCaption(caption)); }
    void SetChecked(bool checked) {
        if (checked) {
            radio_->setChecked(true);  // unchecks the others of the group
            return;
        }
        // An exclusive group refuses to uncheck its checked button; the program may do so.
        radio_->setAutoExclusive(false);
        radio_->setChecked(false);
        radio_->setAutoExclusive(true);
    }

    QRadioButton* radio_;
};

}  // namespace

UnitPtr CreateRadioBox(Runtime& rt, const form::UnitBlock& block, const form::RadioProps& props,
                       QWidget* parent) {
    auto* radio = new QRadioButton(parent);
    radio->setAutoExclusive(true);
    return std::make_unique<RadioBoxUnit>(rt, block, props, radio);
}

}  // namespace quorix::host
