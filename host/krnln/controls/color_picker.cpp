#include "host/krnln/controls/color_picker.h"

#include <QColorDialog>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "host/krnln/color_value.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "runtime/commands.h"

namespace quorix::host {

const uint32_t ColorPickerWidget::kStandardColors[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

ColorPickerWidget::ColorPickerWidget(QWidget* parent) : QToolButton(parent) {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("colors"));
    for (uint32_t value : kStandardColors) {
        QPixmap swatch(16, 16);
        swatch.fill(ColorFromValue(value));
        QAction* action = menu_->addAction(QIcon(swatch), ColorFromValue(value).name());
        connect(action, &QAction::triggered, this,
                [this, value] { setColorValue(static_cast<int>(value)); });
    }
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("其他颜色…")), &QAction::triggered, this,
            &ColorPickerWidget::ChooseOther);
    setMenu(menu_);
    setPopupMode(QToolButton::InstantPopup);
}

void ColorPickerWidget::SetValue(uint32_t value) {
    value_ = value & 0x00FFFFFF;
    update();
}

void ColorPickerWidget::setColorValue(int value) {
    SetValue(static_cast<uint32_t>(value));
    emit colorChosen(static_cast<int>(value_));
}

void ColorPickerWidget::ChooseOther() {
    const QColor chosen = QColorDialog::getColor(ColorFromValue(value_), window(), QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (chosen.isValid()) setColorValue(static_cast<int>(ValueFromColor(chosen)));
}

void ColorPickerWidget::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    // The swatch fills the button inside its bevel, leaving room for the popup arrow.
    QPainter painter(this);
    const QRect swatch = rect().adjusted(4, 4, -12, -4);
    if (swatch.width() <= 0 || swatch.height() <= 0) return;
    painter.fillRect(swatch, ColorFromValue(value_));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

namespace {

class ColorPickerUnit : public UnitHost {
public:
    ColorPickerUnit(Runtime& rt, const form::UnitBlock& block, ColorPickerWidget* picker)
        : UnitHost(rt, block, picker), picker_(picker) {
        connections_ += QObject::connect(picker_, &ColorPickerWidget::colorChosen,
                                         [this] { Raise(abi::kEvColourChanged); });
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropColor) return picker_->value();
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropColor) return picker_->SetValue(low);
        UnitHost::WriteProperty(property, member, low, high);
    }

private:
    ColorPickerWidget* picker_;
    Connections connections_;
};

}  // namespace

UnitPtr CreateColorPicker(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* picker = new ColorPickerWidget(parent);
    return std::make_unique<ColorPickerUnit>(rt, block, picker);
}

}  // namespace quorix::host
