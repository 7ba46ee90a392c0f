#include "host/krnln/message.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace quorix::host {
namespace {

// Qt's box copies its text with Ctrl+C on Windows only; a user anywhere may want the text of a
// failure (a path, a reason) to paste elsewhere.
class CopyableMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            QApplication::clipboard()->setText(windowTitle() + QChar('\n') + text());
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
};

}  // namespace

void ShowMessage(QWidget* over, const QString& caption, const QString& text) {
    CopyableMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, over);
    box.setObjectName(QStringLiteral("message"));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

}  // namespace quorix::host
