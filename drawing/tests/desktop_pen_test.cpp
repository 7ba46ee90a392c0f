// The drawing board and the pen tools on a real X display: drags, clicks and the popup menu
// through the X server, checked on the screen and in the saved picture.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

constexpr QRgb kWhite = qRgb(255, 255, 255);

// A point of the picture board on screen.
QPoint OnBoard(DesktopProgram& q, int x, int y) {
    return q.Place("画板1").topLeft() +
           QPoint(static_cast<int>(x * q.scale()), static_cast<int>(y * q.scale()));
}

// What the picture board shows, one pixel per board pixel.
QImage BoardShown(DesktopProgram& q) {
    const QRect place = q.Place("画板1");
    const QImage shot = q.Grab(place);
    return q.scale() == 1 ? shot
                          : shot.scaled(place.size() / q.scale(), Qt::IgnoreAspectRatio,
                                        Qt::FastTransformation);
}

// The smallest rectangle holding every pixel that is not white; empty when all are.
QRect Drawn(const QImage& shown) {
    QRect drawn;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != kWhite) drawn |= QRect(x, y, 1, 1);
        }
    }
    return drawn;
}

int DrawnCount(const QImage& shown) {
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) count += shown.pixel(x, y) != kWhite;
    }
    return count;
}

// Moves the pointer over the board without a button: the board shows what is committed.
void Hover(DesktopProgram& q, int x, int y) {
    q.MoveTo(OnBoard(q, x, y));
    ASSERT_TRUE(q.WaitIdle());
}

// The width of the vertical stroke that crosses row `y` of the board.
int StrokeWidth(const QImage& shown, int y) {
    int width = 0;
    for (int x = 0; x < shown.width(); ++x) width += shown.pixel(x, y) != kWhite;
    return width;
}

// Each figure tool shows its figure while the pointer drags (the preview follows the pointer)
// and keeps it once the button is released; freehand leaves single pixels where the pointer
// went. Between the tools the clear button wipes the board.
TEST(DesktopPen, EachToolShowsItsFigureWhileDraggingAndKeepsItOnRelease) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const QRect box(QPoint(20, 20), QPoint(70, 60));
    struct Tool {
        const char* radio;
        std::function<void(const QImage&)> check;
    };
    const Tool tools[] = {
        {"画直线",
         [&](const QImage& shown) {
             EXPECT_NE(shown.pixel(45, 40), kWhite);  // the middle of the line
             EXPECT_EQ(shown.pixel(20, 60), kWhite);
         }},
        {"画四边形",
         [&](const QImage& shown) {
             EXPECT_NE(shown.pixel(20, 40), kWhite);  // the left side
             EXPECT_NE(shown.pixel(45, 60), kWhite);  // the bottom
             EXPECT_EQ(shown.pixel(45, 40), kWhite);  // not filled
         }},
        {"画圆",
         [&](const QImage& shown) {
             EXPECT_NE(shown.pixel(45, 20), kWhite);  // the top of the ellipse
             EXPECT_EQ(shown.pixel(45, 40), kWhite);  // not filled
             EXPECT_EQ(shown.pixel(21, 21), kWhite);  // the box's corner is outside it
         }},
        {"画弧线",
         [&](const QImage& shown) {
             EXPECT_GT(DrawnCount(shown), 20);
             EXPECT_EQ(shown.pixel(45, 40), kWhite);
         }},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.radio);
        q.Click(tool.radio);
        q.MoveTo(OnBoard(q, box.left(), box.top()));
        q.Press();
        for (int i = 1; i <= 5; ++i) {
            q.MoveTo(
                OnBoard(q, box.left() + box.width() * i / 5, box.top() + box.height() * i / 5));
        }
        ASSERT_TRUE(q.WaitIdle());
        const QImage preview = BoardShown(q);
        q.Release();
        Hover(q, 90, 90);
        const QImage kept = BoardShown(q);
        EXPECT_TRUE(preview == kept) << "the preview and the committed figure differ";
        EXPECT_TRUE(box.adjusted(-3, -3, 3, 3).contains(Drawn(kept)));
        tool.check(kept);
        ASSERT_TRUE(ClickAndWait(q, "按钮1"));
        Hover(q, 90, 90);
        EXPECT_TRUE(Drawn(BoardShown(q)).isEmpty()) << "the clear button left the figure";
    }

    // Freehand: one pixel at each place the pointer reached while the button was down.
    q.Click("画线");
    q.Drag(OnBoard(q, 10, 80), OnBoard(q, 60, 80), 5, /*settle=*/true);
    Hover(q, 90, 10);
    const QImage dots = BoardShown(q);
    for (const int x : {20, 30, 40, 50, 60}) EXPECT_NE(dots.pixel(x, 80), kWhite) << x;
    EXPECT_EQ(dots.pixel(25, 80), kWhite);  // a fast pointer leaves gaps
    EXPECT_EQ(DrawnCount(dots), 5);
}

// The pen width arrows step the width the figures are drawn with, never below 1.
TEST(DesktopPen, ThePenWidthArrowsStepTheWidthOfTheStroke) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const QRect spin = q.Place("调节器1");
    const QPoint up(spin.center().x(), spin.top() + spin.height() / 4);
    const QPoint down(spin.center().x(), spin.bottom() - spin.height() / 4);
    q.Click("画直线");
    auto stroke = [&] {
        q.Drag(OnBoard(q, 50, 10), OnBoard(q, 50, 90), 4);
        Hover(q, 95, 95);
        const int width = StrokeWidth(BoardShown(q), 50);
        EXPECT_TRUE(ClickAndWait(q, "按钮1"));
        return width;
    };
    EXPECT_EQ(stroke(), 3);
    q.Click(up);
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(stroke(), 4);
    for (int i = 0; i < 5; ++i) {
        q.Click(down);
        ASSERT_TRUE(q.WaitIdle());
    }
    EXPECT_EQ(stroke(), 1);
}

// The colour picker's menu sets the colour the pen draws with.
TEST(DesktopPen, AColourChosenInThePickerIsThePenColour) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    q.Click("颜色选择器1");
    ASSERT_TRUE(q.WaitUntil([&] { return q.Popup().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.ChoosePopupItem(9));  // the tenth standard colour: pure red
    q.Click("画直线");
    q.Drag(OnBoard(q, 10, 50), OnBoard(q, 90, 50), 4);
    Hover(q, 95, 95);
    EXPECT_EQ(BoardShown(q).pixel(50, 50), qRgb(255, 0, 0));
}

// The right button opens the file menu at the pointer; its items are the menu bar's. The menu
// bar's "清除图片" clears as the button does.
TEST(DesktopPen, TheRightButtonOpensTheFileMenuAndBothMenusClearThePicture) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    q.Click("画四边形");
    auto draw = [&] {
        q.Drag(OnBoard(q, 10, 10), OnBoard(q, 80, 80), 4);
        Hover(q, 90, 90);
        ASSERT_FALSE(Drawn(BoardShown(q)).isEmpty());
    };
    draw();
    const QPoint at = OnBoard(q, 40, 40);
    q.Click(at, 3);
    ASSERT_TRUE(q.WaitUntil([&] { return q.Popup().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    const QRect popup = *q.Popup();
    EXPECT_LE((popup.topLeft() - at).manhattanLength(), 4) << "the menu opens at the pointer";
    // Load, save, clear; the character picture's save, export and copy; the two character
    // scheme entries.
    EXPECT_EQ(InkRows(q.Grab(popup.adjusted(3, 3, -3, -3))).size(), 8u);
    ASSERT_TRUE(q.ChoosePopupItem(2));
    Hover(q, 90, 90);
    EXPECT_TRUE(Drawn(BoardShown(q)).isEmpty());

    draw();
    ASSERT_TRUE(q.ChooseMenu(0, 2));
    Hover(q, 90, 90);
    EXPECT_TRUE(Drawn(BoardShown(q)).isEmpty());
}

// A release over the board commits the figure even when the press was elsewhere (from the
// last start point, (0, 0) before any); a release outside the board leaves the pen down, and
// the board goes on showing the figure from the start point as the pointer moves over it.
TEST(DesktopPen, AReleaseOverTheBoardCommitsAndOneOutsideItLeavesThePenDown) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    q.Click("画直线");
    q.Drag(q.ClientPoint(300, 200), OnBoard(q, 60, 60), 6);
    Hover(q, 90, 10);
    QImage shown = BoardShown(q);
    EXPECT_NE(shown.pixel(30, 30), kWhite) << "no line from (0, 0) to the release";
    EXPECT_EQ(shown.pixel(30, 60), kWhite);
    ASSERT_TRUE(ClickAndWait(q, "按钮1"));

    // Pressed on the board, released outside it: the pen stays down.
    q.Drag(OnBoard(q, 10, 90), q.ClientPoint(300, 200), 6);
    Hover(q, 90, 90);
    shown = BoardShown(q);
    EXPECT_NE(shown.pixel(50, 90), kWhite) << "no preview follows the pointer";
    Hover(q, 10, 10);
    shown = BoardShown(q);
    EXPECT_NE(shown.pixel(10, 50), kWhite) << "the preview did not follow the pointer";
    EXPECT_EQ(shown.pixel(50, 90), kWhite) << "the preview is not one rubber-band line";
    // A press and release on the board end it, with the figure from the press to the release:
    // here a dot. The pointer then draws nothing more.
    q.Click(OnBoard(q, 50, 50));
    Hover(q, 90, 90);
    Hover(q, 20, 80);
    const QRect drawn = Drawn(BoardShown(q));
    EXPECT_TRUE(drawn.isEmpty() || QRect(46, 46, 9, 9).contains(drawn));
}

// The controls of tab "图片转字符" whose look does not change when the output size is set (按钮16
// takes the focus, and the size boxes show the new size).
constexpr const char* kTabControls[] = {"外形框1", "按钮3",          "按钮2",  "按钮1",
                                        "按钮11",  "对应修改颜色框", "按钮13", "颜色分类列表框"};

// At a large output size the board still leaves every control of its tab in view and
// clickable, the steps run from their buttons, and every pixel of the board can be reached:
// scrolled into view and drawn on.
void CheckLargeBoard(int side) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    std::map<std::string, QImage> before;
    for (const char* name : kTabControls) before[name] = q.Grab(q.Place(name));

    ASSERT_TRUE(SetOutputSize(q, side, side));
    for (const char* name : kTabControls) {
        EXPECT_TRUE(q.Grab(q.Place(name)) == before[name]) << name << " is covered";
    }
    // The board shows as much of itself as its place leaves, from its corner.
    const QRect shown = BoardOnScreen(q);
    EXPECT_GT(shown.width(), 400);
    EXPECT_GT(shown.height(), 200);
    for (const char* name : kTabControls) {
        EXPECT_FALSE(shown.intersects(q.Place(name))) << name;
    }

    // Freehand at the board's last pixel, scrolled into view with the wheel.
    q.Click("画线");
    q.MoveTo(shown.center());
    q.Wheel(side / 8);
    q.Wheel(side / 8, true);
    ASSERT_TRUE(q.WaitIdle());
    const QPoint last = shown.bottomRight();
    q.Drag(last - QPoint(3, 3), last, 3, /*settle=*/true);
    q.MoveTo(last - QPoint(1, 0));  // the next movement shows the committed pixels
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(q.Pixel(last), qRgb(0, 0, 0));
    ASSERT_TRUE(SavePicture(q, q.folder() + "/large"));
    const QImage saved(QString::fromStdString(q.folder() + "/large.bmp"));
    ASSERT_EQ(saved.size(), QSize(side, side));
    EXPECT_EQ(saved.pixel(side - 1, side - 1), qRgb(0, 0, 0));
    EXPECT_EQ(saved.pixel(side - 2, side - 2), qRgb(0, 0, 0));
    EXPECT_EQ(saved.pixel(side - 3, side - 1), qRgb(255, 255, 255));

    // The steps run from their buttons: the progress bar fills, the list and the output fill.
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    const QImage progress = q.Grab(q.Place("取色字符进度条").adjusted(2, 2, -2, -2));
    EXPECT_EQ(progress.pixel(progress.width() - 2, progress.height() / 2),
              progress.pixel(1, progress.height() / 2))
        << "the progress bar is not full";
    EXPECT_EQ(ListRowsOnScreen(q).size(), 2u);  // white and black
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    EXPECT_FALSE(InkRows(q.Grab(q.Place("编辑框1").adjusted(4, 4, -20, -20))).empty());
}

TEST(DesktopPen, ABoardOf1024PixelsLeavesEveryControlClickableAndEveryPixelReachable) {
    CheckLargeBoard(1024);
}

TEST(DesktopPen, ABoardOf4096PixelsLeavesEveryControlClickableAndEveryPixelReachable) {
    CheckLargeBoard(4096);
}

}  // namespace
}  // namespace quorix
