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
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/units.h"
#include "host/krnln/runtime.h"
#include "host/krnln/unit_host.h"
#include "host/testing/program_session.h"

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

TEST(Widgets, RadioBoxesOfOneFrameExcludeEachOther) {
    RunProgram([&](Session& s) {
        s.Click("画圆");
        s.Click("画线");
        EXPECT_TRUE(s.Find<QRadioButton>("画线")->isChecked());
        EXPECT_FALSE(s.Find<QRadioButton>("画圆")->isChecked());
        // The program may clear a checked radio box, leaving none checked.
        host::UnitHost* unit = Unit(s, 0x1601005F, abi::kTypeRadioBox);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->ReadProperty(abi::kPropChecked, -1), 1u);
        unit->WriteProperty(abi::kPropChecked, -1, 0, 0);
        EXPECT_FALSE(s.Find<QRadioButton>("画线")->isChecked());
    });
}

TEST(Widgets, SpinArrowsStepThePenWidthLabel) {
    QStringList seen;
    RunProgram([&](Session& s) {
        auto* label = s.Find<QLabel>("透明标签2");
        s.ClickChild("调节器1", "up");
        seen << label->text();
        for (int i = 0; i < 4; ++i) {
            s.ClickChild("调节器1", "down");
            seen << label->text();
        }
    });
    EXPECT_EQ(seen, (QStringList{"4", "3", "2", "1", "1"}));
}

TEST(Widgets, ButtonClickRunsItsRoutine) {
    QSize board;
    RunProgram([&](Session& s) {
        s.Find<QComboBox>("宽组合框1")->setEditText(QStringLiteral("200"));
        s.Find<QComboBox>("高组合框1")->setEditText(QStringLiteral("70"));
        s.Click("按钮16");
        board = s.Find("画板1")->size();
    });
    EXPECT_EQ(board, QSize(200, 70));
}

TEST(Widgets, FramesShowTheirColourOrOutline) {
    RunProgram([&](Session& s) {
        QWidget* filled = s.Find("对应修改颜色框");
        EXPECT_EQ(filled->grab().toImage().pixelColor(2, 2), QColor(0xC0, 0xC0, 0xC0));
        host::UnitHost* unit = Unit(s, 0x16010050, abi::kTypeShapeBox);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->ReadProperty(abi::kPropColor, -1), 0x00C0C0C0u);
        unit->WriteProperty(abi::kPropColor, -1, 0x00336699, 0);  // red 0x99, blue 0x33
        EXPECT_EQ(unit->ReadProperty(abi::kPropColor, -1), 0x00336699u);
        EXPECT_EQ(filled->grab().toImage().pixelColor(2, 2), QColor(0x99, 0x66, 0x33));

        const QImage outline = s.Find("外形框1")->grab().toImage();
        EXPECT_EQ(outline.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_NE(outline.pixelColor(3, 3), QColor(Qt::black));
    });
}

TEST(Widgets, ColourChoiceSetsTheColourAndRunsItsRoutine) {
    RunProgram([&](Session& s) {
        QWidget* picker = s.Find("颜色选择器1");
        host::UnitHost* unit = Unit(s, 0x1601005E, abi::kTypeColorPicker);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->ReadProperty(abi::kPropColor, -1), 0u);
        ASSERT_TRUE(QMetaObject::invokeMethod(picker, "setColorValue", Q_ARG(int, 0x0000FF)));
        EXPECT_EQ(unit->ReadProperty(abi::kPropColor, -1), 0x0000FFu);
        // The routine hands the colour to both boards' pens.
        for (uint32_t board : {0x16010064u, 0x16010065u}) {
            host::UnitHost* b =
                s.runtime().FindUnit(app::kStartWindowId, board, abi::kTypeDrawingBoard);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->ReadProperty(abi::kPropPenColor, -1), 0x0000FFu);
        }
    });
}

TEST(Widgets, TabChangeStretchesTheTabControlOverTheOutputArea) {
    QStringList captions;
    int font_points = 0;
    int quorix_height = 0, browser_height = 0, page_height = 0, help_height = 0;
    bool above_output = false;
    RunProgram([&](Session& s) {
        QWidget* tabs = s.Find("高级选择夹1");
        auto* bar = tabs->findChild<QTabBar*>();
        ASSERT_NE(bar, nullptr);
        for (int i = 0; i < bar->count(); ++i) captions << bar->tabText(i);
        font_points = bar->font().pointSize();
        EXPECT_EQ(bar->currentIndex(), 0);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
        quorix_height = tabs->height();
        browser_height = s.Find("超文本浏览框1")->height();
        page_height = tabs->findChild<QWidget*>(QStringLiteral("page1"))->height();
        EXPECT_TRUE(s.Find("超文本浏览框1")->isVisible());
        EXPECT_FALSE(s.Find("画板1")->isVisible());
        const QObjectList order = tabs->parentWidget()->children();
        above_output = order.indexOf(tabs) > order.indexOf(s.Find("编辑框1")) &&
                       order.indexOf(tabs) > order.indexOf(s.Find("停止"));
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
        help_height = tabs->height();
    });
    EXPECT_EQ(captions, (QStringList{U("图片转字符"), U("Quorix"), U("帮助")}));
    EXPECT_EQ(font_points, 9);
    EXPECT_EQ(quorix_height, 640);
    EXPECT_EQ(browser_height, 580);
    EXPECT_EQ(page_height, 640);
    EXPECT_TRUE(above_output);
    EXPECT_EQ(help_height, 328);
}

TEST(Widgets, PictureButtonShowsItsFacesAndText) {
    RunProgram([&](Session& s) {
        auto* button = s.Find<QToolButton>("字体大小复位按钮");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), U("查看文字大小复位"));
        const QImage up = button->grab().toImage();
        button->setDown(true);
        const QImage down = button->grab().toImage();
        button->setDown(false);
        EXPECT_NE(up, down);
        // A face is a picture, not a plain fill.
        EXPECT_NE(up.pixelColor(0, 0), up.pixelColor(10, 10));
    });
}

TEST(Widgets, BlockCharactersAreTwoDigitsWideInTheOutputFont) {
    RunProgram([&](Session& s) {
        // Sub-pixel advances may differ by a rounding step of the glyph metrics; whole
        // pixels, as the text box lays them out, must match.
        QFont simsun(U("宋体"));
        for (int points : {5, 8, 9, 14}) {
            simsun.setPointSize(points);
            const QFontMetricsF m(simsun);
            const QFontMetrics whole(simsun);
            EXPECT_EQ(whole.horizontalAdvance(U("██")),
                      whole.horizontalAdvance(QStringLiteral("0000")));
            EXPECT_NEAR(m.horizontalAdvance(U("██")), m.horizontalAdvance(QStringLiteral("0000")),
                        1.0 / 16)
                << points;
            EXPECT_NEAR(m.horizontalAdvance(U("★口")), m.horizontalAdvance(QStringLiteral("0000")),
                        1.0 / 16)
                << points;
        }
        const QFontMetrics output(s.Find("编辑框1")->font());
        EXPECT_EQ(output.horizontalAdvance(U("██")),
                  output.horizontalAdvance(QStringLiteral("0000")));
    });
}

TEST(Widgets, HiddenUnitsNeverShow) {
    RunProgram([&](Session& s) {
        QWidget* dialog = s.Find("通用对话框1");
        dialog->show();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(s.Find("画板2")->isVisible());
        EXPECT_TRUE(s.Find("画板1")->isVisible());
        // Nothing but the main window appears, whatever the browser box could load.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible()) {
                EXPECT_EQ(top, s.window()) << top->metaObject()->className();
            }
        }
    });
}

struct DialogSeen {
    QString object_name, title;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

// Answers the next modal file dialog: records it, then types `name` in folder `dir` and
// accepts, or cancels when `name` is empty. (A typed '/' makes the dialog browse, so the
// folder is chosen first and only the name is typed.)
void AnswerDialog(DialogSeen& seen, const QString& dir, const QString& name) {
    QTimer::singleShot(0, [&seen, dir, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return AnswerDialog(seen, dir, name);  // not up yet
        seen = {dialog->objectName(), dialog->windowTitle(), dialog->nameFilters(),
                dialog->acceptMode()};
        if (name.isEmpty()) return dialog->reject();
        dialog->setDirectory(dir);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->clear();
        QTest::keyClicks(edit, name);
        static_cast<QDialog*>(dialog)->accept();
    });
}

TEST(Widgets, FileDialogReturnsTheChosenPathWithTheDefaultExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    DialogSeen save, load;
    RunProgram([&](Session& s) {
        AnswerDialog(save, dir.path(), QStringLiteral("pic"));
        s.Click("按钮2");
        AnswerDialog(load, dir.path(), QString());
        s.Click("按钮3");
    });
    EXPECT_EQ(save.object_name, U("通用对话框1_dialog"));
    EXPECT_EQ(save.title, U("请输入欲保存到的图片文件名："));
    EXPECT_EQ(save.filters, QStringList{U("图像文件(*.bmp)")});
    EXPECT_EQ(save.mode, QFileDialog::AcceptSave);
    // The save routine wrote to the path the dialog returned, ".bmp" added.
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("pic.bmp"))));
    EXPECT_EQ(load.mode, QFileDialog::AcceptOpen);
    EXPECT_NE(load.title, save.title);  // Qt's own title: the load clears the program's
    EXPECT_EQ(load.filters, QStringList{U("图像文件(*.bmp)")});
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
