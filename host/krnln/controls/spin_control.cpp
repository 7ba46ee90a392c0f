// Spin control: an up arrow over a down arrow. Each press raises event 0 with the direction,
// 1 for up and -1 for down; holding an arrow repeats it.
#include <QResizeEvent>
#include <QToolButton>
#include <QWidget>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

class SpinWidget : public QWidget {
public:
    explicit SpinWidget(QWidget* parent) : QWidget(parent) {
        up_ = MakeArrow(Qt::UpArrow, QStringLiteral("up"));
        down_ = MakeArrow(Qt::DownArrow, QStringLiteral("down"));
    }
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        const int w = event->size().width();
        const int h = event->size().height();
        const int top_half = h / 2;
        up_->setGeometry(0, 0, w, top_half);
        down_->setGeometry(0, top_half, w, h - top_half);
    }

private:
    QToolButton* MakeArrow(Qt::ArrowType arrow, const QString& name) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    }

    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

class SpinUnit : public UnitHost {
public:
    SpinUnit(Runtime& rt, const form::UnitBlock& block, SpinWidget* spin)
        : UnitHost(rt, block, spin) {
        connections_ += QObject::connect(spin->up(), &QToolButton::clicked,
                                         [this] { Raise(abi::kEvSpin, {1}); });
        connections_ += QObject::connect(spin->down(), &QToolButton::clicked,
                                         [this] { Raise(abi::kEvSpin, {-1}); });
    }

private:
    Connections connections_;
};

}  // namespace

UnitPtr CreateSpinControl(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    return std::make_unique<SpinUnit>(rt, block, new SpinWidget(parent));
}

}  // namespace quorix::host
