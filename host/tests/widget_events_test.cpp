// Events of the window's widgets as a user raises them, seen by what the program's routines
// do: radio boxes, spin arrows, buttons, the colour picker, the tabs, the picture button and
// the file dialog; and how the output font and hidden units show.
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
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

host::UnitHost* Unit(Session& s, uint32_t id, uint32_t type) {
    return s.runtime().FindUnit(app::kStartWindowId, id, type);
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

TEST(Widgets, FileDialogReturnsTheChosenPathWithTheDefaultExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    testing::FileDialogSeen save, load;
    RunProgram([&](Session& s) {
        testing::AnswerFileDialog(save, dir.path(), QStringLiteral("pic"));
        s.Click("按钮2");
        testing::AnswerFileDialog(load, dir.path(), QString());
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
    // The load offers every picture format it reads first, then the stored filter.
    ASSERT_EQ(load.filters.size(), 2);
    EXPECT_TRUE(load.filters[0].startsWith(U("所有图片文件("))) << load.filters[0].toStdString();
    for (const char* pattern : {"*.bmp", "*.png", "*.jpg", "*.jpeg", "*.gif"}) {
        EXPECT_TRUE(load.filters[0].contains(QString::fromLatin1(pattern))) << pattern;
    }
    EXPECT_EQ(load.filters[1], U("图像文件(*.bmp)"));
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
