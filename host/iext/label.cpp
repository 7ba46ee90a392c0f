// Transparent label: a caption drawn straight onto whatever lies beneath it.
#include <QLabel>
#include <QPainter>
#include <QStringList>
#include <algorithm>

#include "host/krnln/controls/caption_unit.h"
#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// A caption of several lines steps one character height per line, as the form's layout
// assumes; CJK faces here would otherwise space lines half as much again and cut the last.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!text().contains(QChar('\n'))) return QLabel::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const int step = std::max(1, QFontInfo(font()).pixelSize());
        const QStringList lines = text().split(QChar('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRect line(0, static_cast<int>(i) * step, width(), step);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, lines[i]);
        }
    }
};

class LabelUnit : public CaptionUnit {
public:
    LabelUnit(Runtime& rt, const form::UnitBlock& block, const form::LabelProps& props,
              QLabel* label)
        : CaptionUnit(rt, block, label), label_(label) {
        SetCaption(FromBlockText(props.caption));
    }

private:
    void ShowCaption(const QString& caption) override { label_->setText(ShownCaption(caption)); }

    QLabel* label_;
};

}  // namespace

UnitPtr CreateTransparentLabel(Runtime& rt, const form::UnitBlock& block,
                               const form::LabelProps& props, QWidget* parent) {
    auto* label = new CaptionLabel(parent);
    // Plain text only: a caption is never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return std::make_unique<LabelUnit>(rt, block, props, label);
}

}  // namespace quorix::host
