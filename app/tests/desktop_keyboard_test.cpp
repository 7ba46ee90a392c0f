// The window with the keyboard alone, on a real X display: Tab and Shift+Tab move from control
// to control (the colour list does not hold them), Enter and Space press the focused button, and
// the keys a desktop program answers: Ctrl+O, Ctrl+S, F1, Ctrl+W, Ctrl+Q.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

void Keys(DesktopProgram& q, const char* sequence) {
    q.Keys(sequence);
    ASSERT_TRUE(q.WaitIdle());
}

// In the colour list the arrows move from row to row; Tab leaves it for the next control and
// Shift+Tab comes back into it, as in any list. The row selected is read off the frame
// 对应修改颜色框, which shows the selected row's colour.
TEST(DesktopKeyboard, TabAndShiftTabLeaveTheColourListAndTheArrowsMoveInIt) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 8, 4));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Bands(), "bands.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    const std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), 4u);
    std::vector<int32_t> colours;
    for (const QRect& row : rows) {
        q.Click(row.center());
        ASSERT_TRUE(q.WaitIdle());
        colours.push_back(FrameColour(q));
    }
    q.Click(rows[1].center());
    ASSERT_TRUE(q.WaitIdle());
    Keys(q, "Down");
    EXPECT_EQ(FrameColour(q), colours[2]);
    Keys(q, "Up");
    EXPECT_EQ(FrameColour(q), colours[1]);

    // Out of the list: its keys no longer move the selection (Ctrl+Home would go to the first
    // row, Ctrl+End to the last).
    Keys(q, "Tab");
    Keys(q, "ctrl+Home");
    EXPECT_EQ(FrameColour(q), colours[1]);
    // Back into it, and out the other way.
    Keys(q, "shift+Tab");
    Keys(q, "ctrl+Home");
    EXPECT_EQ(FrameColour(q), colours[0]);
    Keys(q, "shift+Tab");
    Keys(q, "ctrl+End");
    EXPECT_EQ(FrameColour(q), colours[0]);

    // Ctrl+Tab leaves the list as well (for the next tab of the window, as in any window with
    // tabs): the arrow that follows no longer moves the selection.
    q.Click(rows[1].center());
    ASSERT_TRUE(q.WaitIdle());
    Keys(q, "ctrl+Tab");
    Keys(q, "Down");
    q.Click(q.ClientPoint(30, 15));  // the first tab, "图片转字符", again
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(FrameColour(q), colours[1]);
}

// The size boxes and their button, with the keyboard only: Tab from box to box, Shift+Tab back
// to the button, and Enter, then Space, presses it.
TEST(DesktopKeyboard, EnterAndSpacePressTheFocusedButton) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    struct Case {
        const char* key;
        int width, height;
    };
    for (const Case c : {Case{"Return", 30, 20}, Case{"space", 40, 25}, Case{"KP_Enter", 50, 30}}) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(q.Retype("宽组合框1", std::to_string(c.width)));
        Keys(q, "Tab");  // to the height, its text selected
        q.Type(std::to_string(c.height));
        Keys(q, "shift+Tab");
        Keys(q, "shift+Tab");  // to 按钮16
        Keys(q, c.key);
        EXPECT_EQ(BoardOnScreen(q).size(), QSize(c.width, c.height));
    }
}

// A point of the window where a click does nothing: the empty stretch of the tab page beside
// the drawing board.
QPoint Nowhere(DesktopProgram& q) {
    return q.ClientPoint(400, 200);
}

TEST(DesktopKeyboard, CtrlOLoadsCtrlSSavesAndF1ShowsTheHelp) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(0, 90, 200));
    const std::string path = WritePicture(q, picture, "blue.bmp");
    q.Click(Nowhere(q));
    ASSERT_TRUE(q.WaitIdle());

    q.Keys("ctrl+o");
    ASSERT_TRUE(q.AnswerFileDialog(path));
    q.MoveTo(q.Centre("画板1"));
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(q.Pixel(q.Centre("画板1")), qRgb(0, 90, 200));

    // Without a window manager the window takes the keyboard back with a click.
    q.Click(Nowhere(q));
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+s");
    ASSERT_TRUE(q.AnswerFileDialog(q.folder() + "/keys"));
    const QImage saved(QString::fromStdString(q.folder() + "/keys.bmp"));
    ASSERT_EQ(saved.size(), QSize(100, 100));
    EXPECT_EQ(saved.pixel(50, 50), qRgb(0, 90, 200));

    // F1 from wherever the focus is: here the output box, typed into. The help page then
    // covers the picture.
    q.Click(q.Centre("编辑框1"));
    ASSERT_TRUE(q.WaitIdle());
    q.Type("x");
    Keys(q, "F1");
    EXPECT_NE(q.Pixel(q.Centre("画板1")), qRgb(0, 90, 200));
    EXPECT_GE(InkRows(q.Grab(q.Place("编辑框3"))).size(), 5u);  // the help text's lines
}

TEST(DesktopKeyboard, CtrlWAndCtrlQCloseTheWindow) {
    for (const char* keys : {"ctrl+w", "ctrl+q"}) {
        SCOPED_TRACE(keys);
        XServer x;
        DesktopProgram q(x);
        ASSERT_TRUE(q.ok()) << q.log();
        q.Click(Nowhere(q));
        ASSERT_TRUE(q.WaitIdle());
        q.Keys(keys);
        EXPECT_EQ(q.WaitExit(), 0) << "watchdog: the window did not close";
    }
}

}  // namespace
}  // namespace quorix
