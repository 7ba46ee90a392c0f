// Picture button: two faces, the first shown at rest and the second while pressed; its text
// is the tooltip.
#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolButton>

#include "host/krnln/controls/caption_unit.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

class PictureButtonWidget : public QToolButton {
public:
    using QToolButton::QToolButton;

    void SetFaces(QImage up, QImage down) {
        up_ = std::move(up);
        down_ = std::move(down);
        update();
    }
    QSize sizeHint() const override { return up_.isNull() ? QSize(20, 20) : up_.size(); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (IsPlainEnter(event)) return animateClick();
        QToolButton::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QImage& face = isDown() && !down_.isNull() ? down_ : up_;
        if (!face.isNull()) {
            painter.drawImage(rect(), face);
            return;
        }
        // Without a face the button still looks like a button.
        QStyleOptionButton option;
        option.initFrom(this);
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    }

private:
    QImage up_, down_;
};

QImage FaceFrom(const std::string& bytes) {
    if (bytes.empty()) return {};
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<int>(bytes.size()));
}

class PictureButtonUnit : public CaptionUnit {
public:
    PictureButtonUnit(Runtime& rt, const form::UnitBlock& block,
                      const form::PictureButtonProps& props, PictureButtonWidget* button)
        : CaptionUnit(rt, block, button), button_(button) {
        button_->SetFaces(FaceFrom(props.face1), FaceFrom(props.face2));
        SetCaption(FromBlockText(props.text));
        connections_ += QObject::connect(button_, &QAbstractButton::clicked,
                                         [this] { Raise(abi::kEvClicked); });
    }

private:
    // The text shows as the button's hint.
    void ShowCaption(const QString& text) override {
        button_->setToolTip(ShownCaption(text));
        button_->setAccessibleName(ShownCaption(text));
    }

    PictureButtonWidget* button_;
    Connections connections_;
};

}  // namespace

UnitPtr CreatePictureButton(Runtime& rt, const form::UnitBlock& block,
                            const form::PictureButtonProps& props, QWidget* parent) {
    auto* button = new PictureButtonWidget(parent);
    return std::make_unique<PictureButtonUnit>(rt, block, props, button);
}

}  // namespace quorix::host
