// The output size on a real X display: the size boxes show every size of up to five digits
// whole, at scale 1 and 2, and after 按钮16 they show the size the boards took.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// The first and last screen columns (within the box) where the box shows `text` and shows
// nothing when empty. The box is left with Tab before it is looked at, as the user leaves it.
std::pair<int, int> TextShownBetween(DesktopProgram& q, const char* box, const QImage& empty,
                                     const std::string& text) {
    EXPECT_TRUE(q.Retype(box, text));
    q.Keys("Tab");
    EXPECT_TRUE(q.WaitIdle());
    const QImage shown = q.Grab(q.Place(box));
    int first = -1, last = -1;
    for (int x = 0; x < shown.width(); ++x) {
        for (int y = 0; y < shown.height(); ++y) {
            if (std::abs(qGray(shown.pixel(x, y)) - qGray(empty.pixel(x, y))) > 60) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

// Every size of up to five digits shows whole: it starts where its first digit alone starts
// (nothing scrolled out of sight on the left), ends before the drop-down arrow, and is as wide
// as its digits (digits are all one width in the window's font).
void CheckEverySizeReadsWhole(double scale) {
    XServer x(static_cast<int>(1280 * scale), static_cast<int>(800 * scale));
    DesktopProgram q(x, {.scale = scale});
    ASSERT_TRUE(q.ok()) << q.log();
    for (const char* box : {"宽组合框1", "高组合框1"}) {
        SCOPED_TRACE(box);
        ASSERT_TRUE(q.Retype(box, ""));
        q.Keys("BackSpace");
        q.Keys("Tab");
        ASSERT_TRUE(q.WaitIdle());
        const QImage empty = q.Grab(q.Place(box));
        // The arrow: the last ink inside the empty box's frame.
        const int inset = static_cast<int>(4 * scale);
        const auto marks = InkColumns(empty.copy(empty.rect().adjusted(0, inset, 0, -inset)));
        ASSERT_FALSE(marks.empty());
        const int arrow = marks.back().first;
        const auto nine = TextShownBetween(q, box, empty, "9");
        const int advance = TextShownBetween(q, box, empty, "99").second - nine.second;
        ASSERT_GT(advance, 0);
        for (const std::string value : {"1024", "99999", "4096", "10000", "12345"}) {
            SCOPED_TRACE(value);
            const auto alone = TextShownBetween(q, box, empty, value.substr(0, 1));
            const auto [first, last] = TextShownBetween(q, box, empty, value);
            EXPECT_EQ(first, alone.first);
            EXPECT_LT(last, arrow);
            EXPECT_GE(last - first + 1, static_cast<int>(value.size() - 1) * advance);
        }
    }
}

TEST(DesktopOutputSize, EverySizeOfUpToFiveDigitsShowsWholeInTheBoxes) {
    CheckEverySizeReadsWhole(1);
}

TEST(DesktopOutputSize, EverySizeOfUpToFiveDigitsShowsWholeAtTwiceTheScale) {
    CheckEverySizeReadsWhole(2);
}

// A size the boards refuse leaves them as they were, and the boxes then show that size, not
// the refused text; a size they take shows as the boards took it.
TEST(DesktopOutputSize, AfterSettingTheBoxesShowTheSizeTheBoardsHave) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    struct Case {
        const char* width;
        const char* height;
        QSize board;  // what the boards are afterwards
    };
    const Case cases[] = {
        {"abc", "5000", {100, 100}}, {"0", "-5", {100, 100}},    {"256", "99.9", {256, 99}},
        {"99999", "30", {256, 99}},  {"40", "4096", {40, 4096}}, {"64", "64", {64, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        ASSERT_TRUE(q.Retype("宽组合框1", c.width));
        ASSERT_TRUE(q.Retype("高组合框1", c.height));
        ASSERT_TRUE(ClickAndWait(q, "按钮16"));
        EXPECT_EQ(TextShownIn(q, "宽组合框1"), std::to_string(c.board.width()));
        EXPECT_EQ(TextShownIn(q, "高组合框1"), std::to_string(c.board.height()));
        // The board as the user sees it (a tall one shows in part, scrolled).
        const QRect board = BoardOnScreen(q);
        EXPECT_EQ(board.width(), c.board.width());
        if (c.board.height() <= 200) {
            EXPECT_EQ(board.height(), c.board.height());
        }
    }
}

}  // namespace
}  // namespace quorix
