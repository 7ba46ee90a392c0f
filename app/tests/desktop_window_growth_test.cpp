// The window grows: resized as a window manager resizes it, on a real X display, at scale 1
// and 2, and checked on the screen. The output box takes all the extra width and height, the
// board area the extra width; the right-hand tools move with the right edge, the text tools stay
// beside the output box, each looking exactly as before; the tools take clicks at their new
// places; back at the form's size, everything is where the form puts it.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

constexpr QRgb kWhite = qRgb(255, 255, 255);
// The X screen, in pixels at scale 1: room for the window at 1600 x 1000.
constexpr QSize kScreen(1800, 1150);

// The right-hand column of tools on the first tab (pen tools, size boxes, buttons, ColorTable),
// above the progress bar, and the column of text tools left of the output box; form pixels.
constexpr QRect kRightTools(676, 31, 318, 279);
constexpr QRect kTextTools(0, 330, 54, 262);
// The output box as the form puts it.
constexpr QRect kOutputBox(56, 328, 938, 264);

class Screen {
public:
    Screen(DesktopProgram& q, int scale) : q_(q), s_(scale) {}

    // A rectangle given in form pixels, moved right by `dx` form pixels, as the screen shows it.
    QImage Grab(QRect form, int dx = 0) const {
        return q_.Grab(QRect(q_.ClientPoint(form.left() + dx, form.top()), form.size() * s_));
    }

    // How far the white of the output box reaches right and down, in screen pixels, from a point
    // near its left edge below the first lines of text.
    static constexpr QPoint kInside{4, 60};
    QSize OutputBoxShown() const {
        const QPoint corner =
            q_.ClientPoint(kOutputBox.left() + kInside.x(), kOutputBox.top() + kInside.y());
        return QSize(WhiteRun(corner, true), WhiteRun(corner, false));
    }
    // How wide the blank board shows, in form pixels.
    int BoardShownWidth() const {
        return WhiteRun(q_.Place("画板1").topLeft() + QPoint(0, 10 * s_), true) / s_;
    }

private:
    // How many white screen pixels follow `from` (itself included) to the right or downwards.
    int WhiteRun(QPoint from, bool across) const {
        const QSize screen = kScreen * s_;
        const QImage strip = q_.Grab(QRect(from, across ? QSize(screen.width() - from.x(), 1)
                                                        : QSize(1, screen.height() - from.y())));
        const int length = across ? strip.width() : strip.height();
        int run = 0;
        while (run < length && strip.pixel(across ? run : 0, across ? 0 : run) == kWhite) ++run;
        return run;
    }

    DesktopProgram& q_;
    int s_;
};

void CheckTheWindowGrows(double scale) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    const int s = static_cast<int>(scale);
    XServer x(kScreen.width() * s, kScreen.height() * s);
    ASSERT_TRUE(x.ok());
    DesktopProgram q(x, {.scale = scale});
    ASSERT_TRUE(q.ok()) << q.log();
    const Screen screen(q, s);
    // The pointer rests outside the window: no control shows its hover look or a tooltip.
    const QPoint away(kScreen.width() * s - 10, kScreen.height() * s - 10);

    // The form's size is the smallest the window may take, and none is the largest: the window
    // manager may maximise it.
    const auto hints = q.WindowSizeHints();
    ASSERT_TRUE(hints.has_value());
    EXPECT_EQ(hints->minimum, QSize(1000 * s, 640 * s));
    EXPECT_TRUE(hints->maximum.isEmpty() || hints->maximum.width() >= kScreen.width() * s)
        << "a largest size";

    // A board wider than the room beside the tools: a scrolling view shows its left part.
    ASSERT_TRUE(SetOutputSize(q, 1200, 100));
    q.MoveTo(away);
    ASSERT_TRUE(q.WaitIdle());
    const QImage right_tools = screen.Grab(kRightTools);
    const QImage text_tools = screen.Grab(kTextTools);
    const QSize output_shown = screen.OutputBoxShown();
    // All of the box but its frame and scroll bars.
    EXPECT_NEAR(output_shown.width(), (kOutputBox.width() - Screen::kInside.x()) * s, 24 * s);
    EXPECT_NEAR(output_shown.height(), (kOutputBox.height() - Screen::kInside.y()) * s, 24 * s);
    const int board_shown = screen.BoardShownWidth();
    EXPECT_LT(board_shown, 700);

    ASSERT_TRUE(q.ResizeWindow(QSize(1600 * s, 1000 * s)));
    // The output box is 600 pixels wider and 360 taller; the tools look exactly as they did,
    // the right-hand ones 600 pixels further right; the board shows 600 pixels more of itself
    // (here all of it).
    EXPECT_EQ(screen.OutputBoxShown(), output_shown + QSize(600, 360) * s);
    EXPECT_EQ(screen.Grab(kRightTools, 600), right_tools);
    EXPECT_EQ(screen.Grab(kTextTools), text_tools);
    EXPECT_EQ(screen.BoardShownWidth(), 1200);

    // The tools take clicks at their new places: step one fills the ColorTable (its one row,
    // white), and the output box takes typing where it has grown.
    q.Click(q.Centre("按钮11") + QPoint(600 * s, 0));
    ASSERT_TRUE(q.WaitIdle(kStepWatchdog));
    const QImage list_after_step = screen.Grab(kRightTools, 600);
    EXPECT_NE(list_after_step, right_tools) << "step one did not run";
    q.Click(q.ClientPoint(kOutputBox.right() + 560, kOutputBox.bottom() + 300));
    ASSERT_TRUE(q.WaitIdle());
    q.Type("Grown!");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(TextShownIn(q, "编辑框1"), "Grown!");
    q.MoveTo(away);
    ASSERT_TRUE(q.WaitIdle());
    const QImage right_tools_grown = screen.Grab(kRightTools, 600);

    // The tab "Quorix" stretches the tab control over the whole grown window, the text tools
    // too; the first tab gives everything back where it was.
    const std::vector<QPoint> tabs = TabsOnScreen(q);
    ASSERT_EQ(tabs.size(), 3u);
    q.Click(tabs[1]);
    q.MoveTo(away);
    ASSERT_TRUE(q.WaitIdle());
    // The web engine starts when its box first shows, so its page may come a moment after the
    // tab: wait for it to cover both places.
    EXPECT_TRUE(q.WaitUntil([&] {
        return screen.Grab(kTextTools) != text_tools &&
               screen.Grab(kRightTools, 600) != right_tools_grown;
    })) << "watchdog: the tab \"Quorix\" did not cover the text tools and the right-hand tools";
    ASSERT_TRUE(q.WaitIdle());
    q.Click(tabs[0]);
    q.MoveTo(away);
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(screen.Grab(kTextTools), text_tools);
    EXPECT_EQ(screen.Grab(kRightTools, 600), right_tools_grown);
    EXPECT_EQ(screen.OutputBoxShown(), output_shown + QSize(600, 360) * s);

    // Back at the form's size, everything is where the form puts it.
    ASSERT_TRUE(q.ResizeWindow(QSize(1000 * s, 640 * s)));
    EXPECT_EQ(screen.OutputBoxShown(), output_shown);
    EXPECT_EQ(screen.Grab(kRightTools), right_tools_grown);
    EXPECT_EQ(screen.Grab(kTextTools), text_tools);
    EXPECT_EQ(screen.BoardShownWidth(), board_shown);
    EXPECT_TRUE(CloseAndExit(q));
}

TEST(DesktopWindowGrowth, TheOutputBoxAndTheBoardTakeTheExtraSizeAndTheToolsKeepTheirs) {
    CheckTheWindowGrows(1);
}

TEST(DesktopWindowGrowth, AtScaleTwoToo) {
    CheckTheWindowGrows(2);
}

}  // namespace
}  // namespace quorix
