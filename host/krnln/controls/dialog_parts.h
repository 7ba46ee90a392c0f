// What the runtime's small dialogs share: the buttons "确定" and "取消", and a place on screen
// that leaves a given widget in sight.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace quorix::host {

// "确定" (the default button: Enter) and "取消" (Escape), wired to accept and reject.
inline QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// Moves the dialog just below `keep` (or beside it, when there is no room below), so that what
// `keep` shows stays in sight while the dialog is open.
inline void PlaceBeside(QDialog* dialog, const QWidget* keep) {
    dialog->adjustSize();
    const QRect kept(keep->mapToGlobal(QPoint(0, 0)), keep->size());
    const QScreen* screen = keep->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
    constexpr int kGap = 8;
    QPoint at(kept.left(), kept.bottom() + kGap);
    if (!room.isEmpty() && at.y() + dialog->height() > room.bottom()) {
        at = QPoint(kept.right() + kGap, kept.top());
    }
    dialog->move(at);
}

}  // namespace quorix::host
