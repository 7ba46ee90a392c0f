// The window on a real X display, driven with real input: every bound event of the window and
// its tabs, the menu bar, and closing.
#include <gtest/gtest.h>

#include "host/testing/desktop_program.h"

namespace quorix {
namespace {

using namespace testing;

TEST(DesktopWindow, OpensWhereTheFormPutsItAndClosesWithStatusZero) {
    XServer x;
    ASSERT_TRUE(x.ok());
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    EXPECT_EQ(q.window_rect().topLeft(), QPoint(50, 50));
    // Made once: a window made anew would flash, and a close sent to the first would be lost.
    EXPECT_EQ(q.windows_shown_at_start(), 1);
    q.Close();
    EXPECT_EQ(q.WaitExit(2s), 0) << q.log();
}

}  // namespace
}  // namespace quorix
