// The pen tools through the real window: pointer events on 画板1, the radio boxes, the pen
// width spin, the colour picker, clearing and the board's popup menu, checked pixel by pixel on
// both boards.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <set>
#include <vector>

#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

constexpr QRgb kWhite = 0xFFFFFFFF;
// The pen colour the tests pick: no grey, so a blended edge could not pass for it.
constexpr int32_t kPenValue = 0x00C04020;  // 0x00BBGGRR
constexpr QRgb kPen = 0xFF2040C0;

QImage Filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Pointer events as the window system delivers them to the board: a move carries the buttons
// held, and Qt keeps sending a dragging pointer's events to the board even outside it.
void Send(Session& s, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QWidget* board = s.Find("画板1");
    QMouseEvent event(type, QPointF(at), QPointF(board->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(board, &event);
}
void Press(Session& s, QPoint at) {
    QTest::mousePress(s.Find("画板1"), Qt::LeftButton, Qt::NoModifier, at);
}
void Release(Session& s, QPoint at) {
    QTest::mouseRelease(s.Find("画板1"), Qt::LeftButton, Qt::NoModifier, at);
}
void Drag(Session& s, QPoint at) {
    Send(s, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}
void Hover(Session& s, QPoint at) {
    Send(s, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

std::set<QRgb> Colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) seen.insert(img.pixel(x, y));
    }
    return seen;
}

bool AllWhite(const QImage& img) {
    return Colours(img) == std::set<QRgb>{kWhite};
}

void ExpectPixels(const QImage& img, const std::vector<QPoint>& on,
                  const std::vector<QPoint>& off) {
    for (QPoint p : on) {
        EXPECT_EQ(img.pixel(p), kPen) << "expected the pen at " << p.x() << "," << p.y();
    }
    for (QPoint p : off) {
        EXPECT_EQ(img.pixel(p), kWhite) << "expected white at " << p.x() << "," << p.y();
    }
    EXPECT_EQ(Colours(img), (std::set<QRgb>{kWhite, kPen})) << "only white and the pen colour";
}

void PickPenColour(Session& s) {
    // What a choice in the picker's popup does (its slot, reached through the meta-object).
    ASSERT_TRUE(
        QMetaObject::invokeMethod(s.Find("颜色选择器1"), "setColorValue", Q_ARG(int, kPenValue)));
}

QString PenWidth(Session& s, const char* board) {
    return s.runtime().ReadProperty(U(board), abi::kPropPenWidth);
}

struct FigureCase {
    const char* tool;
    QPoint from, to;
    std::vector<QPoint> on, off;
};

// Pen width 3 (the start value): a pixel on a one-pixel figure line has its neighbours on too.
const std::vector<FigureCase> kFigures = {
    {"画直线",
     {10, 50},
     {90, 50},
     {{10, 50}, {50, 49}, {50, 50}, {50, 51}, {90, 50}},
     {{50, 46}, {50, 54}, {5, 50}, {95, 50}}},
    {"画直线", {10, 10}, {90, 90}, {{30, 30}, {50, 50}, {89, 89}}, {{50, 30}, {30, 50}, {95, 95}}},
    {"画四边形",
     {80, 70},
     {20, 30},
     {{20, 50}, {80, 50}, {50, 30}, {50, 70}, {20, 30}, {80, 70}},
     {{50, 50}, {16, 50}, {84, 50}, {50, 26}, {50, 74}}},
    {"画圆",
     {20, 30},
     {80, 70},
     {{20, 50}, {80, 50}, {50, 30}, {50, 70}},
     {{50, 50}, {22, 32}, {78, 68}, {78, 32}, {22, 68}, {15, 50}, {85, 50}}},
    // Counter-clockwise from the radial through the start point to the radial through the end
    // point: from the top-left corner round by the left and the bottom...
    {"画弧线", {20, 30}, {80, 70}, {{20, 50}, {50, 70}}, {{50, 30}, {80, 50}, {50, 50}}},
    // ...and with the corners swapped, from the bottom-right round by the right and the top.
    {"画弧线", {80, 70}, {20, 30}, {{80, 50}, {50, 30}}, {{20, 50}, {50, 70}, {50, 50}}},
};

TEST(PenTools, EachFigureFollowsThePointerAndIsCommittedOnRelease) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        for (const FigureCase& c : kFigures) {
            SCOPED_TRACE(std::string(c.tool) + " from " + std::to_string(c.from.x()) + "," +
                         std::to_string(c.from.y()));
            s.PutPicture(Filled(100, 100, kWhite));
            s.Click(c.tool);
            Press(s, c.from);
            EXPECT_TRUE(AllWhite(s.BoardPicture("画板1"))) << "a press draws nothing";
            // A detour first: the preview is one rubber-band figure, not a trail.
            Drag(s, {95, 5});
            Drag(s, c.to);
            ExpectPixels(s.BoardPicture("画板1"), c.on, c.off);
            EXPECT_TRUE(AllWhite(s.BoardPicture("画板2"))) << "the preview is not committed";

            Release(s, c.to);
            ExpectPixels(s.BoardPicture("画板2"), c.on, c.off);
            EXPECT_EQ(s.BoardPicture("画板1"), s.BoardPicture("画板2"))
                << "the preview left no trail";
            // The pen is up: a movement shows the committed picture and previews nothing.
            Hover(s, {3, 97});
            EXPECT_EQ(s.BoardPicture("画板1"), s.BoardPicture("画板2"));
        }
    });
}

TEST(PenTools, FreehandSetsSinglePixelsOnTheBackingBoard) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        s.Click("画线");
        Press(s, {10, 10});
        Drag(s, {20, 20});
        Drag(s, {21, 20});
        Drag(s, {40, 25});
        const QImage backing = s.BoardPicture("画板2");
        // The pen width does not apply, and a fast pointer leaves gaps.
        ExpectPixels(backing, {{20, 20}, {21, 20}, {40, 25}},
                     {{10, 10}, {20, 21}, {22, 20}, {19, 20}, {30, 22}});
        EXPECT_EQ(Colours(backing).size(), 2u);
        // The picture board shows a pixel from the next movement on.
        const QImage shown = s.BoardPicture("画板1");
        EXPECT_EQ(shown.pixel(21, 20), kPen);
        EXPECT_EQ(shown.pixel(40, 25), kWhite);
        Release(s, {40, 25});
        EXPECT_EQ(s.BoardPicture("画板2"), backing) << "a freehand release draws nothing";
        Hover(s, {60, 60});
        EXPECT_EQ(s.BoardPicture("画板1"), backing);
        EXPECT_EQ(s.BoardPicture("画板2"), backing) << "no pixel once the pen is up";
    });
}

TEST(PenTools, TheFirstCheckedToolInTheFixedOrderDraws) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        // The program may check several radio boxes; only the first in its order counts.
        for (const char* name : {"画线", "画弧线"}) {
            auto* radio = s.Find<QRadioButton>(name);
            radio->setAutoExclusive(false);
            radio->setChecked(true);
        }
        Press(s, {20, 30});
        Drag(s, {80, 70});
        // A movement does the freehand pixel (画线 comes before 画弧线)...
        EXPECT_EQ(s.BoardPicture("画板2").pixel(80, 70), kPen);
        EXPECT_EQ(s.BoardPicture("画板1").pixel(20, 50), kWhite);
        // ...and a release, where 画线 has no step, commits the arc.
        Release(s, {80, 70});
        ExpectPixels(s.BoardPicture("画板2"), {{20, 50}, {50, 70}, {80, 70}}, {{50, 30}});
    });
}

TEST(PenTools, NoToolCheckedDrawsNothing) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        Press(s, {10, 10});
        Drag(s, {60, 70});
        Drag(s, {90, 20});
        Release(s, {90, 20});
        Hover(s, {50, 50});
        EXPECT_TRUE(AllWhite(s.BoardPicture("画板1")));
        EXPECT_TRUE(AllWhite(s.BoardPicture("画板2")));
    });
}

TEST(PenTools, AReleaseWithoutAPressCommitsFromTheStoredPoint) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        s.Click("画直线");
        Release(s, {60, 40});
        // From (0, 0), the start point before any press.
        ExpectPixels(s.BoardPicture("画板2"), {{0, 0}, {30, 20}, {60, 40}}, {{60, 0}, {0, 40}});
        EXPECT_TRUE(AllWhite(s.BoardPicture("画板1"))) << "shown only after a movement";
        Hover(s, {99, 99});
        EXPECT_EQ(s.BoardPicture("画板1"), s.BoardPicture("画板2"));

        // After a drag has ended, a lone release runs from the last press.
        s.PutPicture(Filled(100, 100, kWhite));
        Press(s, {80, 10});
        Release(s, {80, 10});
        s.Click("画直线");  // a press elsewhere in the window is not the board's
        Release(s, {80, 90});
        ExpectPixels(s.BoardPicture("画板2"), {{80, 10}, {80, 50}, {80, 90}}, {{60, 40}, {85, 50}});
    });
}

TEST(PenTools, AReleaseOutsideTheBoardKeepsThePenDown) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        s.Click("画直线");
        Press(s, {10, 50});
        Drag(s, {90, 50});
        Release(s, {150, 50});  // delivered to the board, but not over it
        EXPECT_TRUE(AllWhite(s.BoardPicture("画板2"))) << "nothing committed outside the board";
        // No button held: the movement still previews from the stored start point.
        Hover(s, {10, 90});
        ExpectPixels(s.BoardPicture("画板1"), {{10, 50}, {10, 70}, {10, 90}}, {{50, 50}});
        // A press and release on the board end the drag.
        Press(s, {70, 10});
        Release(s, {90, 10});
        ExpectPixels(s.BoardPicture("画板2"), {{70, 10}, {90, 10}}, {{10, 70}});
        Hover(s, {50, 90});
        EXPECT_EQ(s.BoardPicture("画板1"), s.BoardPicture("画板2"));
    });
}

TEST(PenTools, TheSpinStepsTheLabelAndBothPenWidths) {
    RunProgram([](Session& s) {
        EXPECT_EQ(s.runtime().ReadProperty(U("透明标签2"), abi::kPropCaption), "3");
        s.ClickChild("调节器1", "up");
        EXPECT_EQ(s.runtime().ReadProperty(U("透明标签2"), abi::kPropCaption), "4");
        EXPECT_EQ(PenWidth(s, "画板1"), "4");
        EXPECT_EQ(PenWidth(s, "画板2"), "4");
        const struct {
            const char* arrow;
            const char* caption;
        } steps[] = {{"down", "3"}, {"down", "2"}, {"down", "1"}, {"down", "1"}, {"down", "1"}};
        for (const auto& step : steps) {
            s.ClickChild("调节器1", step.arrow);
            EXPECT_EQ(s.runtime().ReadProperty(U("透明标签2"), abi::kPropCaption), step.caption);
            EXPECT_EQ(PenWidth(s, "画板1"), step.caption);
            EXPECT_EQ(PenWidth(s, "画板2"), step.caption);
        }
        // The width is what the figures are drawn with: one pixel now.
        PickPenColour(s);
        s.Click("画直线");
        Press(s, {10, 50});
        Release(s, {90, 50});
        ExpectPixels(s.BoardPicture("画板2"), {{10, 50}, {50, 50}, {90, 50}}, {{50, 49}, {50, 51}});
    });
}

TEST(PenTools, TheColourPickerSetsBothPenColours) {
    RunProgram([](Session& s) {
        EXPECT_EQ(s.runtime().ReadProperty(U("画板1"), abi::kPropPenColor), "0");
        PickPenColour(s);
        EXPECT_EQ(s.runtime().ReadProperty(U("画板1"), abi::kPropPenColor),
                  QString::number(kPenValue));
        EXPECT_EQ(s.runtime().ReadProperty(U("画板2"), abi::kPropPenColor),
                  QString::number(kPenValue));
    });
}

// Draws a line on both boards and makes the picture board show it.
void DrawSomething(Session& s) {
    PickPenColour(s);
    s.Click("画直线");
    Press(s, {0, 0});
    Release(s, {150, 70});
    Hover(s, {5, 5});
    ASSERT_FALSE(AllWhite(s.BoardPicture("画板1")));
    ASSERT_FALSE(AllWhite(s.BoardPicture("画板2")));
}

void ExpectClearedAt(Session& s, QSize size) {
    for (const char* board : {"画板1", "画板2"}) {
        const QImage img = s.BoardPicture(board);
        EXPECT_EQ(img.size(), size) << board;
        EXPECT_TRUE(AllWhite(img)) << board;
    }
}

TEST(PenTools, TheButtonTheMenuItemAndThePopupMenuClearBothBoards) {
    RunProgram([](Session& s) {
        s.SetOutputSize("160", "80");
        DrawSomething(s);
        s.Click("按钮1");
        ExpectClearedAt(s, {160, 80});

        DrawSomething(s);
        QAction* item = s.MenuBarAction("清除图片");
        ASSERT_NE(item, nullptr);
        item->trigger();
        ExpectClearedAt(s, {160, 80});

        DrawSomething(s);
        QTest::mousePress(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {40, 40});
        QTest::mouseRelease(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {40, 40});
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr) << "the right button pops up the file menu";
        QStringList texts;
        QAction* clear = nullptr;
        for (QAction* a : popup->actions()) {
            texts << a->text();
            if (a->text() == U("清除图片")) clear = a;
        }
        EXPECT_EQ(texts, (QStringList{U("载入图片"), U("保存图片"), U("清除图片"), U("保存字符画…"),
                                      U("导出彩色字符画…"), U("复制彩色字符画"), U("保存字符方案…"),
                                      U("载入字符方案…")}));
        ASSERT_NE(clear, nullptr);
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier,
                          popup->actionGeometry(clear).center());
        ExpectClearedAt(s, {160, 80});
        if (popup->isVisible()) popup->close();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    });
}

TEST(PenTools, ARightPressLeavesThePenAsItWas) {
    RunProgram([](Session& s) {
        PickPenColour(s);
        s.Click("画直线");
        Press(s, {10, 50});
        QTest::mousePress(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {40, 40});
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        Hover(s, {90, 50});
        ExpectPixels(s.BoardPicture("画板1"), {{10, 50}, {50, 50}, {90, 50}}, {{50, 54}});
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
