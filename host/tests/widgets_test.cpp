// The window's widgets as the real program builds them: kinds, places, contents, and events
// that reach the program's routines (seen by what those routines do).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <tuple>

#include "app/units.h"
#include "host/krnln/runtime.h"
#include "host/krnln/unit_host.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

// The control that holds `w`: the frame or tab control it sits in, or "client" for the window.
QString OwnerOf(const QWidget* w) {
    const QWidget* p = w->parentWidget();
    while (p != nullptr && p->objectName().startsWith(QStringLiteral("page")))
        p = p->parentWidget();
    return p != nullptr ? p->objectName() : QString();
}

host::UnitHost* Unit(Session& s, uint32_t id, uint32_t type) {
    return s.runtime().FindUnit(app::kStartWindowId, id, type);
}

struct Placement {
    const char* name;
    const char* widget_class;  // null: another kind's widget, class not checked here
    QRect geometry;
    const char* owner;
    bool shown;
};

TEST(Widgets, EveryControlHasItsKindPlaceOwnerAndVisibility) {
    const Placement table[] = {
        {"高级选择夹1", nullptr, {0, 0, 1000, 328}, "client", true},
        {"画板1", nullptr, {8, 32, 100, 100}, "高级选择夹1", true},
        {"画板2", nullptr, {144, 32, 100, 100}, "高级选择夹1", false},
        {"外形框1", nullptr, {676, 31, 56, 160}, "高级选择夹1", true},
        {"画线", "QRadioButton", {8, 8, 40, 20}, "外形框1", true},
        {"画直线", "QRadioButton", {8, 28, 40, 20}, "外形框1", true},
        {"画四边形", "QRadioButton", {8, 48, 40, 20}, "外形框1", true},
        {"画圆", "QRadioButton", {8, 68, 40, 20}, "外形框1", true},
        {"画弧线", "QRadioButton", {8, 88, 40, 20}, "外形框1", true},
        {"调节器1", nullptr, {8, 112, 20, 20}, "外形框1", true},
        {"透明标签2", "QLabel", {31, 112, 20, 20}, "外形框1", true},
        {"颜色选择器1", "QToolButton", {10, 137, 40, 20}, "外形框1", true},
        {"按钮16", "QPushButton", {736, 31, 63, 32}, "高级选择夹1", true},
        {"透明标签1", "QLabel", {736, 70, 19, 43}, "高级选择夹1", true},
        {"宽组合框1", "QComboBox", {751, 67, 48, 20}, "高级选择夹1", true},
        {"高组合框1", "QComboBox", {751, 90, 48, 20}, "高级选择夹1", true},
        {"按钮3", "QPushButton", {736, 111, 63, 26}, "高级选择夹1", true},
        {"按钮2", "QPushButton", {736, 137, 63, 26}, "高级选择夹1", true},
        {"按钮1", "QPushButton", {736, 163, 63, 26}, "高级选择夹1", true},
        {"按钮11", "QPushButton", {676, 195, 124, 40}, "高级选择夹1", true},
        {"对应修改颜色框", nullptr, {676, 235, 124, 30}, "高级选择夹1", true},
        {"修改对应编辑框", "QComboBox", {26, 5, 52, 20}, "对应修改颜色框", true},
        {"按钮15", "QPushButton", {78, 4, 40, 20}, "对应修改颜色框", true},
        {"按钮13", "QPushButton", {676, 264, 124, 40}, "高级选择夹1", true},
        {"颜色分类列表框", nullptr, {802, 32, 186, 290}, "高级选择夹1", true},
        {"取色字符进度条", nullptr, {14, 312, 780, 10}, "高级选择夹1", true},
        {"通用对话框1", nullptr, {952, 88, 26, 26}, "高级选择夹1", false},
        {"超文本浏览框1", nullptr, {3, 32, 988, 288}, "高级选择夹1", true},
        {"编辑框3", nullptr, {8, 32, 976, 288}, "高级选择夹1", true},
        {"编辑框1", nullptr, {56, 328, 938, 264}, "client", true},
        {"字体大小复位按钮", "QToolButton", {8, 336, 20, 20}, "client", true},
        {"调节器2", nullptr, {32, 336, 20, 20}, "client", true},
        {"透明标签3", "QLabel", {5, 361, 48, 20}, "client", true},
        {"替换编辑框", nullptr, {6, 385, 43, 20}, "client", true},
        {"透明标签4", "QLabel", {5, 409, 48, 20}, "client", true},
        {"修改对应编辑框1", "QComboBox", {6, 433, 42, 20}, "client", true},
        {"按钮4", "QPushButton", {8, 456, 40, 20}, "client", true},
        {"复制按钮", "QPushButton", {8, 480, 40, 40}, "client", true},
        {"停止", "QPushButton", {8, 525, 40, 40}, "client", true},
        {"按钮5", "QPushButton", {8, 570, 40, 20}, "client", true},
    };
    const auto result = RunProgram([&](Session& s) {
        for (const Placement& row : table) {
            SCOPED_TRACE(row.name);
            QWidget* w = s.Find(row.name);
            ASSERT_NE(w, nullptr);
            if (row.widget_class != nullptr) {
                EXPECT_TRUE(w->inherits(row.widget_class));
            }
            // A control's size is its widget's; its place, owner and visibility are those of
            // the widget the window placed for it (a board's scrolling view).
            const auto* info = std::find_if(
                std::begin(app::kUnits), std::end(app::kUnits),
                [&](const app::UnitInfo& u) { return std::string_view(u.name) == row.name; });
            ASSERT_NE(info, std::end(app::kUnits));
            const host::UnitHost* unit = Unit(s, info->id, info->type);
            ASSERT_NE(unit, nullptr);
            const QWidget* placed = unit->frame();
            EXPECT_EQ(QRect(placed->pos(), w->size()), row.geometry);
            EXPECT_EQ(OwnerOf(placed), U(row.owner));
            EXPECT_EQ(placed->isVisibleTo(placed->parentWidget()), row.shown);
        }
    });
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Widgets, CaptionsShowAsStoredWithLineBreaks) {
    const std::pair<const char*, const char*> buttons[] = {
        {"按钮16", "设置输出大小"},
        {"按钮3", "载入图片"},
        {"按钮2", "保存图片"},
        {"按钮1", "清除画面"},
        {"按钮11", "第一步\n取颜色对应字符"},
        {"按钮13", "第二步\n转换为Quorix"},
        {"按钮15", "修改"},
        {"按钮4", "替换"},
        {"复制按钮", "复制"},
        {"停止", "停止"},
        {"按钮5", "清空"},
    };
    const std::pair<const char*, const char*> labels[] = {{"透明标签1", "宽\n\n高"},
                                                          {"透明标签2", "3"},
                                                          {"透明标签3", "提取字符"},
                                                          {"透明标签4", "替换字符"}};
    const std::pair<const char*, const char*> radios[] = {
        {"画线", "·"}, {"画直线", "▂"}, {"画四边形", "口"}, {"画圆", "○"}, {"画弧线", "⌒"}};
    RunProgram([&](Session& s) {
        for (auto [name, text] : buttons)
            EXPECT_EQ(s.Find<QPushButton>(name)->text(), U(text)) << name;
        for (auto [name, text] : labels) EXPECT_EQ(s.Find<QLabel>(name)->text(), U(text)) << name;
        for (auto [name, text] : radios) {
            auto* radio = s.Find<QRadioButton>(name);
            EXPECT_EQ(radio->text(), U(text)) << name;
            EXPECT_FALSE(radio->isChecked()) << name;
        }
    });
}

TEST(Widgets, ComboBoxesStartWithTheirTextsAndItems) {
    RunProgram([&](Session& s) {
        for (const char* name : {"宽组合框1", "高组合框1"}) {
            auto* combo = s.Find<QComboBox>(name);
            EXPECT_EQ(combo->currentText(), U("50")) << name;
            QStringList items;
            for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
            EXPECT_EQ(items, (QStringList{"10", "50", "100", "200", "256"})) << name;
        }
        auto* symbols = s.Find<QComboBox>("修改对应编辑框");
        auto* symbols1 = s.Find<QComboBox>("修改对应编辑框1");
        EXPECT_EQ(symbols->currentText(), QString());
        EXPECT_EQ(symbols1->currentText(), U("  "));
        ASSERT_EQ(symbols->count(), 201);
        ASSERT_EQ(symbols1->count(), 201);
        for (int i = 0; i < 201; ++i) EXPECT_EQ(symbols->itemText(i), symbols1->itemText(i)) << i;
        // Positions from the stored list (1-based there), duplicates kept in place.
        const std::pair<int, const char*> spots[] = {{1, "⊙"},    {10, "㊣"},  {19, "◥"},
                                                     {26, "◥"},   {86, "^_^"}, {112, " \""},
                                                     {120, "``"}, {137, "『"}, {201, "─"}};
        for (auto [at, text] : spots) EXPECT_EQ(symbols->itemText(at - 1), U(text)) << at;
    });
}

TEST(Widgets, ComboTextIsWhatIsTypedOrPicked) {
    RunProgram([&](Session& s) {
        auto* combo = s.Find<QComboBox>("修改对应编辑框");
        combo->setFocus();
        // "(" is a prefix of the item "((": typing must not complete to it.
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("("));
        EXPECT_EQ(combo->currentText(), QStringLiteral("("));
        combo->lineEdit()->clear();
        combo->lineEdit()->insert(U("自定义"));  // as an input method commits it
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(combo->currentText(), U("自定义"));
        EXPECT_EQ(combo->count(), 201);  // Enter adds no item
        combo->setCurrentIndex(33);      // picking "█"
        EXPECT_EQ(combo->currentText(), U("█"));
    });
}

// Every control a person can operate has a name for screen readers (its caption, or what it
// does); those that show only a symbol say what they do in a tooltip too.
TEST(Widgets, EveryControlHasANameAndThoseShowingASymbolATooltip) {
    RunProgram([&](Session& s) {
        int checked = 0;
        for (QWidget* w : s.window()->findChildren<QWidget*>()) {
            const bool operated =
                w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(w) != nullptr;
            if (!operated || !w->isVisibleTo(s.window()) || w->objectName().isEmpty()) continue;
            // Parts that Qt names itself: the tab bar's tabs, scroll areas' insides.
            if (w->objectName().startsWith(QStringLiteral("qt_")) ||
                qobject_cast<QTabBar*>(w) != nullptr) {
                continue;
            }
            const auto* button = qobject_cast<QAbstractButton*>(w);
            const QString name = !w->accessibleName().isEmpty() ? w->accessibleName()
                                 : button != nullptr            ? button->text()
                                                                : QString();
            EXPECT_FALSE(name.trimmed().isEmpty()) << w->objectName().toStdString();
            ++checked;
        }
        EXPECT_GE(checked, 28);
        const std::pair<const char*, const char*> hinted[] = {
            {"画线", "随手画线"},
            {"画直线", "画直线"},
            {"画四边形", "画矩形"},
            {"画圆", "画圆或椭圆"},
            {"画弧线", "画弧线"},
            {"颜色选择器1", "选择画笔颜色"},
            {"字体大小复位按钮", "查看文字大小复位"},
        };
        for (auto [control, hint] : hinted) {
            EXPECT_EQ(s.Find(control)->toolTip(), U(hint)) << control;
            EXPECT_EQ(s.Find(control)->accessibleName(), U(hint)) << control;
        }
        const std::tuple<const char*, const char*, const char*> arrows[] = {
            {"调节器1", "up", "画笔加粗"},
            {"调节器1", "down", "画笔变细"},
            {"调节器2", "up", "放大文字"},
            {"调节器2", "down", "缩小文字"},
        };
        for (auto [control, part, hint] : arrows) {
            auto* arrow = s.Find(control)->findChild<QToolButton*>(QString::fromLatin1(part));
            ASSERT_NE(arrow, nullptr) << control << " " << part;
            EXPECT_EQ(arrow->toolTip(), U(hint)) << control << " " << part;
            EXPECT_EQ(arrow->accessibleName(), U(hint)) << control << " " << part;
        }
    });
}

TEST(Widgets, TheHelpTextCannotBeTypedInto) {
    RunProgram([&](Session& s) {
        auto* help = s.Find<QPlainTextEdit>("编辑框3");
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isReadOnly());
        const QString text = help->toPlainText();
        help->setFocus();
        QTest::keyClicks(help, QStringLiteral("typed"));
        QTest::keyClick(help, Qt::Key_Backspace);
        EXPECT_EQ(help->toPlainText(), text);
    });
}

TEST(Widgets, TheLoadAndSaveEntriesHaveTheStandardKeys) {
    RunProgram([&](Session& s) {
        EXPECT_EQ(s.MenuBarAction("载入图片")->shortcut(), QKeySequence(QKeySequence::Open));
        EXPECT_EQ(s.MenuBarAction("保存图片")->shortcut(), QKeySequence(QKeySequence::Save));
        EXPECT_TRUE(s.MenuBarAction("清除图片")->shortcut().isEmpty());
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
