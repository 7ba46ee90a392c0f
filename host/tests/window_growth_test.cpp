// How each control follows the window, as pure geometry: a table of controls and changes.
#include "host/krnln/window_growth.h"

#include <gtest/gtest.h>

namespace quorix::host {
namespace {

TEST(WindowGrowth, EachControlFollowsTheWindowAsItsRuleSays) {
    const QSize grow(600, 360), shrink(-600, -360);
    const struct {
        const char* control;
        QRect now;
        QSize change;
        int old_window_height;
        int tab_depth_change;
        QRect expected;
    } table[] = {
        // The output box takes all of it, both ways.
        {"编辑框1", {56, 328, 938, 264}, grow, 640, 0, {56, 328, 1538, 624}},
        {"编辑框1", {56, 328, 1538, 624}, shrink, 1000, 0, {56, 328, 938, 264}},
        // The right-hand tools keep their size and their distance from the right edge.
        {"颜色分类列表框", {802, 32, 186, 290}, grow, 640, 0, {1402, 32, 186, 290}},
        {"按钮13", {676, 264, 124, 40}, grow, 640, 0, {1276, 264, 124, 40}},
        {"外形框1", {676, 31, 56, 160}, grow, 640, 0, {1276, 31, 56, 160}},
        // The help text fills its tab: wider only.
        {"编辑框3", {8, 32, 976, 288}, grow, 640, 0, {8, 32, 1576, 288}},
        // The tab control keeps its design height; stretched to the window, it stays so.
        {"高级选择夹1", {0, 0, 1000, 328}, grow, 640, 0, {0, 0, 1600, 328}},
        {"高级选择夹1", {0, 0, 1000, 640}, grow, 640, 0, {0, 0, 1600, 1000}},
        {"高级选择夹1", {0, 0, 1600, 1000}, shrink, 1000, 0, {0, 0, 1000, 640}},
        // The browser box deepens as the tab control does.
        {"超文本浏览框1", {3, 32, 988, 580}, grow, 640, 360, {3, 32, 1588, 940}},
        {"超文本浏览框1", {3, 32, 988, 288}, grow, 640, 0, {3, 32, 1588, 288}},
        // The boards, the progress bar under them and the text tools stay.
        {"画板1", {8, 32, 100, 100}, grow, 640, 0, {8, 32, 100, 100}},
        {"取色字符进度条", {14, 312, 780, 10}, grow, 640, 0, {14, 312, 780, 10}},
        {"复制按钮", {8, 480, 40, 40}, grow, 640, 0, {8, 480, 40, 40}},
        {"调节器2", {32, 336, 20, 20}, grow, 640, 0, {32, 336, 20, 20}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.control);
        EXPECT_EQ(Grown(GrowthOf(QString::fromUtf8(row.control)), row.now, row.change,
                        row.old_window_height, row.tab_depth_change),
                  row.expected);
    }
}

}  // namespace
}  // namespace quorix::host
