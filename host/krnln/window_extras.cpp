#include "host/krnln/window_extras.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>

namespace quorix::host {
namespace {

struct Hint {
    const char* control;  // the control's name in the form (UTF-8)
    const char* part;     // the object name of a part of it, or "" for the control itself
    const char* text;     // what it does (UTF-8)
    bool tooltip;         // shown as a tooltip too: the control shows only a symbol
};

// The pen tools show a symbol each, the spin controls two arrows and the colour picker a
// swatch; the others show their purpose in a caption or a label beside them.
constexpr Hint kHints[] = {
    {"画线", "", "随手画线", true},
    {"画直线", "", "画直线", true},
    {"画四边形", "", "画矩形", true},
    {"画圆", "", "画圆或椭圆", true},
    {"画弧线", "", "画弧线", true},
    {"调节器1", "", "画笔粗细", false},
    {"调节器1", "up", "画笔加粗", true},
    {"调节器1", "down", "画笔变细", true},
    {"颜色选择器1", "", "选择画笔颜色", true},
    {"调节器2", "", "文字大小", false},
    {"调节器2", "up", "放大文字", true},
    {"调节器2", "down", "缩小文字", true},
    {"宽组合框1", "", "输出宽度", false},
    {"高组合框1", "", "输出高度", false},
    {"画板1", "", "画板", false},
    {"修改对应编辑框", "", "对应字符", false},
    {"颜色分类列表框", "", "颜色分类", false},
    {"取色字符进度条", "", "取色进度", false},
    {"替换编辑框", "", "提取字符", false},
    {"修改对应编辑框1", "", "替换字符", false},
    {"编辑框1", "", "字符画", false},
    {"编辑框3", "", "帮助", false},
    {"超文本浏览框1", "", "主页", false},
};

struct MenuKeyEntry {
    const char* caption;
    QKeySequence::StandardKey key;
};
constexpr MenuKeyEntry kMenuKeys[] = {
    {"载入图片", QKeySequence::Open},
    {"保存图片", QKeySequence::Save},
};

}  // namespace

void ApplyHints(const QString& name, QWidget* widget) {
    if (widget == nullptr) return;
    for (const Hint& hint : kHints) {
        if (name != QString::fromUtf8(hint.control)) continue;
        QWidget* target = widget;
        if (*hint.part != '\0') {
            target = widget->findChild<QWidget*>(QString::fromUtf8(hint.part));
            if (target == nullptr) continue;
        }
        const QString text = QString::fromUtf8(hint.text);
        target->setAccessibleName(text);
        if (hint.tooltip) target->setToolTip(text);
    }
}

void NameParts(QWidget* frame, QWidget* widget) {
    if (frame == nullptr || widget == nullptr) return;
    // Its own name if it has one (an editable combo box announces its text as its name), else
    // its caption.
    QString name = widget->accessibleName();
    if (name.isEmpty()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (accessible != nullptr) name = accessible->text(QAccessible::Name);
    }
    if (name.isEmpty()) return;
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo->lineEdit()) {
        if (combo->lineEdit()->accessibleName().isEmpty()) {
            combo->lineEdit()->setAccessibleName(name);
        }
    }
    for (QScrollBar* bar : frame->findChildren<QScrollBar*>()) {
        if (!bar->accessibleName().isEmpty()) continue;
        bar->setAccessibleName(name + (bar->orientation() == Qt::Horizontal
                                           ? QStringLiteral("：横向滚动")
                                           : QStringLiteral("：纵向滚动")));
    }
}

std::optional<QKeySequence::StandardKey> MenuKey(const QString& caption) {
    for (const MenuKeyEntry& entry : kMenuKeys) {
        if (caption == QString::fromUtf8(entry.caption)) return entry.key;
    }
    return std::nullopt;
}

// ---- Undo and redo ----------------------------------------------------------------------------
namespace {

const QList<QKeySequence>& UndoKeys() {
    static const QList<QKeySequence> keys = {QKeySequence(Qt::CTRL | Qt::Key_Z)};
    return keys;
}
const QList<QKeySequence>& RedoKeys() {
    static const QList<QKeySequence> keys = {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    return keys;
}

// Whether `object` is a text box of the window `root` (or of its dialogs), or inside one. Only
// the window's own widgets are looked at: the web view delivers keys to objects built without
// run-time type information, and none of their members is called here.
bool IsTextBox(const QObject* root, const QObject* object) {
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    const auto own = std::find_if(widgets.begin(), widgets.end(), [object](const QWidget* w) {
        return static_cast<const QObject*>(w) == object;
    });
    if (own == widgets.end()) return false;
    for (const QWidget* w = *own; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
            qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
            w->inherits("quorix::host::CharacterView")) {
            return true;
        }
        if (w->isWindow()) break;
    }
    return false;
}

class EditKeysInTextBoxes : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        if (!UndoKeys().contains(pressed) && !RedoKeys().contains(pressed)) return false;
        if (!IsTextBox(parent(), watched)) return false;
        // Accepted, the override keeps the key from the menu: the box gets it as a key.
        event->accept();
        return true;
    }
};

}  // namespace

QList<QKeySequence> MenuEditKeys(const QString& caption) {
    if (caption == QStringLiteral("撤销")) return UndoKeys();
    if (caption == QStringLiteral("重做")) return RedoKeys();
    return {};
}

void KeepEditKeysInTextBoxes(QObject* parent) {
    QApplication::instance()->installEventFilter(new EditKeysInTextBoxes(parent));
}
// ---- end of undo and redo -------------------------------------------------------------------

QString HelpTabCaption() {
    return QStringLiteral("帮助");
}

QString ZoomSpinOf(const QString& box) {
    return box == QStringLiteral("编辑框1") ? QStringLiteral("调节器2") : QString();
}

}  // namespace quorix::host
