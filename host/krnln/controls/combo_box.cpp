// Combo box: an editable text with a drop-down list of items. Any text may be typed; picking
// an item puts it into the text.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QResizeEvent>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cmath>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// A narrow drop-down arrow and a one-pixel frame, for a combo box whose text needs the room.
class CompactComboStyle : public QProxyStyle {
public:
    static constexpr int kArrowWidth = 12;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        if (control != CC_ComboBox) {
            return QProxyStyle::subControlRect(control, option, part, widget);
        }
        const QRect r = option->rect;
        switch (part) {
            case SC_ComboBoxArrow:
                return QRect(r.right() - kArrowWidth + 1, r.top(), kArrowWidth, r.height());
            case SC_ComboBoxEditField:
                return QRect(r.left() + 1, r.top() + 1, r.width() - kArrowWidth - 1,
                             r.height() - 2);
            default:
                return QProxyStyle::subControlRect(control, option, part, widget);
        }
    }
};

// The widest text a box of numbers must show whole: any size a board can be asked for, and
// one digit more, so that a refused size reads as what it is.
const QString kWidestNumber = QStringLiteral("99999");

// The combo box. One that offers only numbers (the output size) shows five digits whole in
// whatever width the form gives it: it takes the compact style, and a smaller font where the
// window's font is too wide for the room.
class ComboWidget : public QComboBox {
public:
    using QComboBox::QComboBox;

    void HoldNumbers() {
        if (numbers_) return;
        numbers_ = true;
        style_ = new CompactComboStyle;
        style_->setParent(this);
        setStyle(style_);
        FitText();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QComboBox::resizeEvent(event);
        if (numbers_) FitText();
    }
    void changeEvent(QEvent* event) override {
        QComboBox::changeEvent(event);
        if (numbers_ && event->type() == QEvent::FontChange && !fitting_) FitText();
    }

private:
    // The largest font, up to the window's, in which the widest number fits the text field.
    void FitText() {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        // A line edit keeps 2 pixels each side of its text and one for the caret.
        const int room = field.width() - 5;
        QFont font = QApplication::font(this);
        const int full =
            font.pixelSize() > 0
                ? font.pixelSize()
                : static_cast<int>(std::lround(font.pointSizeF() * logicalDpiY() / 72.0));
        int pixels = std::max(full, 1);
        for (; pixels > kSmallestPixels; --pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).horizontalAdvance(kWidestNumber) <= room) break;
        }
        font.setPixelSize(pixels);
        fitting_ = true;
        setFont(font);
        fitting_ = false;
    }

    static constexpr int kSmallestPixels = 8;
    bool numbers_ = false;
    bool fitting_ = false;
    CompactComboStyle* style_ = nullptr;
};

bool IsNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

class ComboBoxUnit : public UnitHost {
public:
    ComboBoxUnit(Runtime& rt, const form::UnitBlock& block, const form::ComboProps& props,
                 ComboWidget* combo)
        : UnitHost(rt, block, combo), combo_(combo) {
        QStringList items;
        items.reserve(static_cast<qsizetype>(props.items.size()));
        for (const std::string& item : props.items) items.append(FromBlockText(item));
        combo_->addItems(items);
        // Adding items selects the first; the stored text is what shows at start.
        combo_->setCurrentIndex(-1);
        combo_->setEditText(FromBlockText(props.text));
        if (!items.isEmpty() && std::all_of(items.begin(), items.end(), IsNumber)) {
            combo_->HoldNumbers();
        }
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropText) return NewText(combo_->currentText());
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropText) return combo_->setEditText(TextAt(low));
        UnitHost::WriteProperty(property, member, low, high);
    }

private:
    ComboWidget* combo_;
};

}  // namespace

UnitPtr CreateComboBox(Runtime& rt, const form::UnitBlock& block, const form::ComboProps& props,
                       QWidget* parent) {
    auto* combo = new ComboWidget(parent);
    combo->setEditable(true);
    // Typed text stays as typed: no completion towards an item, no new items on Enter.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    return std::make_unique<ComboBoxUnit>(rt, block, props, combo);
}

}  // namespace quorix::host
