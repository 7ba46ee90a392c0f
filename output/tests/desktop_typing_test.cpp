// Typing into the output box on a real X display as people type: capitals, Shift with the
// arrows, Ctrl+C/V/X/Z/Y, Ctrl+Home and Ctrl+End, in an empty box, in a character picture of
// 1024 lines and after 复制; the new picture of a step in sight; Ctrl+wheel as a zoom. Every key
// goes through the X server; results are read from the X clipboard and the screen.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// The output text on screen, inside the box's frame and scroll bars.
QRect OutputInside(DesktopProgram& q) {
    const int inset = static_cast<int>(3 * q.scale());
    const int bars = static_cast<int>(20 * q.scale());
    return q.Place("编辑框1").adjusted(inset, inset, -bars, -bars);
}

// Keys, then a wait until the program has taken them in.
void Keys(DesktopProgram& q, const char* sequence) {
    q.Keys(sequence);
    ASSERT_TRUE(q.WaitIdle());
}

// What the clipboard holds after Ctrl+C (or Ctrl+X) in the box: a marker is offered first,
// so that "nothing was copied" shows as the marker.
std::string Copied(DesktopProgram& q, const char* keys) {
    EXPECT_TRUE(q.OfferOnClipboard("(nothing)"));
    q.Keys(keys);
    EXPECT_TRUE(q.WaitIdle());
    return q.Clipboard().value_or("");
}

// Steps one and two on a blank board of 1024 x 1024: 1024 lines of 2048 digits. Returns them as
// 复制 copies them (which leaves them selected and the box in focus).
std::string MakeA1024Picture(DesktopProgram& q) {
    EXPECT_TRUE(SetOutputSize(q, 1024, 1024));
    EXPECT_TRUE(ClickAndWait(q, "按钮11"));
    EXPECT_TRUE(ClickAndWait(q, "按钮13"));
    return CopyOutput(q);
}

TEST(DesktopTyping, EveryKindOfKeyInAnEmptyBoxEditsItAsATextBoxDoes) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    q.Click(OutputInside(q).center());
    ASSERT_TRUE(q.WaitIdle());
    // With nothing in the box, the keys that act on text find none: nothing is undone, redone,
    // cut or copied, and no movement selects anything.
    for (const char* keys : {"ctrl+z", "ctrl+y", "ctrl+x", "shift+Left", "shift+End", "ctrl+Home",
                             "ctrl+End", "shift+Up"}) {
        Keys(q, keys);
    }
    EXPECT_EQ(Copied(q, "ctrl+c"), "(nothing)");
    q.Type("aA");  // the capital is typed with Shift held
    ASSERT_TRUE(q.WaitIdle());
    Keys(q, "shift+Left");
    EXPECT_EQ(Copied(q, "ctrl+c"), "A");
    Keys(q, "ctrl+End");
    Keys(q, "ctrl+v");  // aAA
    Keys(q, "shift+Home");
    EXPECT_EQ(Copied(q, "ctrl+x"), "aAA");
    Keys(q, "ctrl+z");  // the cut taken back
    Keys(q, "ctrl+y");  // and made again
    Keys(q, "ctrl+z");
    Keys(q, "ctrl+Home");
    q.Type("B");
    Keys(q, "ctrl+End");
    q.Type("!");
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.running()) << q.log();
    EXPECT_EQ(CopyOutput(q), "BaAA!");
}

// A step's output of 1024 lines of 2048 characters, edited with the same keys at its start and
// its end: the picture in between stays as it was.
TEST(DesktopTyping, EveryKindOfKeyInThePictureOfA1024StepEditsWhereTheCaretIs) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string picture = MakeA1024Picture(q);
    ASSERT_EQ(picture.size(), 1024u * 2050);

    // The first key right after the step is a paste, where the click put the caret; Ctrl+Z
    // takes it back.
    ASSERT_TRUE(q.OfferOnClipboard("Pasted"));
    q.Click(OutputInside(q).center());
    ASSERT_TRUE(q.WaitIdle());
    Keys(q, "ctrl+v");
    Keys(q, "ctrl+z");
    Keys(q, "ctrl+Home");
    q.Type("Ab");
    ASSERT_TRUE(q.WaitIdle());
    Keys(q, "shift+Left");
    EXPECT_EQ(Copied(q, "ctrl+c"), "b");
    Keys(q, "ctrl+End");
    Keys(q, "ctrl+v");
    Keys(q, "shift+Left");
    EXPECT_EQ(Copied(q, "ctrl+x"), "b");
    Keys(q, "ctrl+z");
    Keys(q, "ctrl+y");
    Keys(q, "ctrl+Home");
    Keys(q, "shift+Right");
    Keys(q, "shift+Right");
    Keys(q, "Delete");
    ASSERT_TRUE(q.running()) << q.log();
    EXPECT_TRUE(CopyOutput(q) == picture);
}

// 复制 leaves the whole picture selected with the box in focus: one key then replaces all of
// it, as in any text box, and Ctrl+Z gives it back; Ctrl+Y takes it away again.
TEST(DesktopTyping, AfterCopyOneKeyReplacesThePictureAndCtrlZGivesItBack) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string picture = MakeA1024Picture(q);
    ASSERT_EQ(picture.size(), 1024u * 2050);
    const auto lines_shown = InkRows(q.Grab(OutputInside(q))).size();
    ASSERT_GT(lines_shown, 10u);

    q.Type("Q");
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.running()) << q.log();
    const QImage one_key = q.Grab(OutputInside(q));
    EXPECT_EQ(InkRows(one_key).size(), 1u);  // a single character is left (and the caret)
    EXPECT_LE(InkColumns(one_key).size(), 2u);
    Keys(q, "ctrl+z");
    EXPECT_EQ(InkRows(q.Grab(OutputInside(q))).size(), lines_shown);
    Keys(q, "ctrl+y");
    EXPECT_EQ(InkRows(q.Grab(OutputInside(q))).size(), 1u);
    Keys(q, "ctrl+z");
    ASSERT_TRUE(q.running()) << q.log();
    EXPECT_TRUE(CopyOutput(q) == picture);

    // Shift with an arrow after 复制 narrows the selection from its end: the key typed then
    // replaces all but the last line break.
    Keys(q, "shift+Left");
    q.Type("Z");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(CopyOutput(q), "Z\r\n");
}

// Step two appends its picture below the text already there; the view turns to where the new
// picture starts. The first picture is digits, the second a block character: the view shows
// blocks from its top line down.
TEST(DesktopTyping, AfterStepTwoTheViewShowsTheStartOfThePictureItAppended) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 1024, 1024));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const QRect inside = OutputInside(q);
    // A line of blocks is dark from end to end, a line of digits never is. The top fifth of
    // the box is looked at.
    auto dark_rows_at_top = [&] {
        const QImage shown = q.Grab(inside.adjusted(0, 0, 0, -inside.height() * 4 / 5));
        int rows = 0;
        for (int y = 0; y < shown.height(); ++y) {
            int dark = 0;
            for (int x = 0; x < shown.width(); ++x) dark += qGray(shown.pixel(x, y)) < 128;
            rows += dark > shown.width() * 95 / 100;
        }
        return rows;
    };
    EXPECT_EQ(dark_rows_at_top(), 0);  // the first picture, from its start

    const std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), 1u);  // the blank board has one colour
    q.Click(rows[0].center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.Retype("修改对应编辑框", "█"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    EXPECT_GE(dark_rows_at_top(), 3);
    // The text holds both pictures, the first one above.
    const std::string both = CopyOutput(q);
    EXPECT_EQ(both.size(), 1024u * 2050 + 1024u * (1024 * 3 + 2));
}

// Ctrl+wheel over the output steps its text size as the arrows of 调节器2 do, also while the
// user is typing in it.
TEST(DesktopTyping, CtrlWheelOverTheOutputZoomsAsTheSizeArrowsDo) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));  // a hundred lines
    auto pitch = [&] {
        const auto lines = InkRows(q.Grab(OutputInside(q)));
        return lines.size() >= 2 ? lines[1].first - lines[0].first : 0;
    };
    const QRect spin = q.Place("调节器2");
    const QPoint up(spin.center().x(), spin.top() + spin.height() / 4);
    const QPoint down(spin.center().x(), spin.bottom() - spin.height() / 4);
    const int at5 = pitch();
    q.Click(up);
    ASSERT_TRUE(q.WaitIdle());
    q.Click(up);
    ASSERT_TRUE(q.WaitIdle());
    const int at7 = pitch();
    ASSERT_GT(at7, at5);
    q.Click(down);
    ASSERT_TRUE(q.WaitIdle());
    q.Click(down);
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_EQ(pitch(), at5);

    auto ctrl_wheel = [&](int clicks) {
        q.KeyDown("ctrl");
        q.Wheel(clicks);
        q.KeyUp("ctrl");
        EXPECT_TRUE(q.WaitIdle());
    };
    q.MoveTo(OutputInside(q).center());
    ctrl_wheel(-2);  // up, away from the user: larger
    EXPECT_EQ(pitch(), at7);
    ctrl_wheel(2);
    EXPECT_EQ(pitch(), at5);
    // A plain wheel scrolls: the text size stays.
    q.Wheel(3);
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(pitch(), at5);

    // While the user types in the box, too (the editor spaces its lines its own way).
    q.Click(OutputInside(q).center());
    ASSERT_TRUE(q.WaitIdle());
    q.Type("x");
    ASSERT_TRUE(q.WaitIdle());
    const int typing_at5 = pitch();
    ctrl_wheel(-2);
    EXPECT_GT(pitch(), typing_at5);
    ASSERT_TRUE(q.running()) << q.log();
    CopyOutput(q);  // the box shows the picture again, at 7 points, selected
    q.Click(OutputInside(q).center());
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(pitch(), at7);
}

}  // namespace
}  // namespace quorix
