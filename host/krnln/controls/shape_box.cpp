// Shape box, used as a frame that holds other controls. A filled box shows its colour; an
// outlined box draws a one-pixel border in its colour and lets the background show through.
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "host/krnln/color_value.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// The stored style word: 1 fills the box with its colour, any other value outlines it.
constexpr uint32_t kStyleFilled = 1;

class ShapeBoxWidget : public QWidget {
public:
    using QWidget::QWidget;

    uint32_t color() const { return color_; }
    void SetColor(uint32_t value) {
        color_ = value & 0x00FFFFFF;
        update();
    }
    void SetStyle(uint32_t style) {
        style_ = style;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor color = ColorFromValue(color_);
        if (style_ == kStyleFilled) {
            painter.fillRect(rect(), color);
        } else {
            painter.setPen(QPen(color, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

private:
    uint32_t color_ = 0;
    uint32_t style_ = 3;
};

class ShapeBoxUnit : public UnitHost {
public:
    ShapeBoxUnit(Runtime& rt, const form::UnitBlock& block, const form::ShapeBoxProps& props,
                 ShapeBoxWidget* box)
        : UnitHost(rt, block, box), box_(box), children_(block.children) {
        box_->SetStyle(props.f);
        box_->SetColor(props.colour);
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropColor) return box_->color();
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropColor) return box_->SetColor(low);
        UnitHost::WriteProperty(property, member, low, high);
    }
    QWidget* ContainerFor(uint32_t child_id) override {
        const bool mine = child_id != 0 && std::find(children_.begin(), children_.end(),
                                                     child_id) != children_.end();
        return mine ? box_ : nullptr;
    }

private:
    ShapeBoxWidget* box_;
    std::vector<uint32_t> children_;
};

}  // namespace

UnitPtr CreateShapeBox(Runtime& rt, const form::UnitBlock& block, const form::ShapeBoxProps& props,
                       QWidget* parent) {
    return std::make_unique<ShapeBoxUnit>(rt, block, props, new ShapeBoxWidget(parent));
}

}  // namespace quorix::host
