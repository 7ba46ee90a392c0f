#include "host/krnln/controls/ramp_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "host/krnln/controls/dialog_parts.h"

namespace quorix::host {
namespace {

// Large enough to tell the characters of a ramp apart.
constexpr int kListPixels = 16;

// An editable combo box keeps Enter and Escape to itself; in this dialog they answer it, as
// they do everywhere else.
class AnswerKeys : public QObject {
public:
    explicit AnswerKeys(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                dialog_->accept();
                return true;
            case Qt::Key_Escape:
                dialog_->reject();
                return true;
            default:
                return false;
        }
    }

private:
    QDialog* dialog_;
};

}  // namespace

QStringList CharacterRamps() {
    return {
        // Shades of a full block, then the ideographic space: each as wide as two digits in a
        // Chinese monospaced font, as in a chat window.
        QStringLiteral("█▓▒░　"),
        // Ideographs from many strokes to few.
        QStringLiteral("龍國田口十一　"),
        // Circles, filled to empty.
        QStringLiteral("●◎○　"),
        // The short and the long ASCII ramps of text art (written twice a pixel).
        QStringLiteral("@%#*+=-:. "),
        QStringLiteral("$@B%8&WM#*oahkbdpqwmZO0QLCJUYXzcvunxrjft/\\|()1{}[]?-_+~<>i!lI;:,\"^`'. "),
    };
}

std::optional<QString> AskForRamp(QWidget* parent, const QFont& font, const QString& start) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ramp_dialog"));
    dialog.setWindowTitle(QStringLiteral("按亮度分配字符"));
    auto* ramps = new QComboBox(&dialog);
    ramps->setObjectName(QStringLiteral("ramp"));
    ramps->setEditable(true);
    ramps->setInsertPolicy(QComboBox::NoInsert);  // Enter confirms, it adds no item
    ramps->addItems(CharacterRamps());
    ramps->setCurrentText(start);
    ramps->setAccessibleName(QStringLiteral("字符梯度"));
    QFont shown = font;
    shown.setPixelSize(kListPixels);
    ramps->setFont(shown);
    ramps->setMinimumContentsLength(16);
    // The box has the focus and hands keys to its line edit past any filter of the edit's.
    auto* keys = new AnswerKeys(&dialog);
    ramps->installEventFilter(keys);
    ramps->lineEdit()->installEventFilter(keys);
    auto* label = new QLabel(QStringLiteral("字符梯度"), &dialog);
    label->setBuddy(ramps);
    auto* form = new QFormLayout(&dialog);
    form->addRow(label, ramps);
    form->addRow(OkCancelButtons(&dialog));

    dialog.adjustSize();
    ramps->setFocus(Qt::OtherFocusReason);
    ramps->lineEdit()->selectAll();  // typing replaces the ramp
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ramps->currentText();
}

}  // namespace quorix::host
