// The window grows: resized as a window manager resizes it, on a real X display, at scale 1
// and 2. The output box takes all the extra width and height, the right-hand tools move with
// the right edge, and every other control keeps its place and size; back at the form's size,
// everything is where the form puts it. Read over AT-SPI (where every control is) and off the
// screen (what the output box shows).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "host/testing/accessibility_bus.h"
#include "host/testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

Environment On(const XServer& x) {
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = x.name();
    return env;
}

// The X window of the program's main window (a window that is gone is left out).
std::string MainWindow(const XServer& x) {
    const std::string found =
        RunCapture({"xdotool", "search", "--onlyvisible", "--name", "^Quorix----"}, On(x), 30s)
            .value_or("");
    std::istringstream lines(found);
    for (std::string id; std::getline(lines, id);) {
        if (RunCapture({"xdotool", "getwindowgeometry", id}, On(x), 30s).has_value()) return id;
    }
    return {};
}

// The window's size as the window manager is asked for it, in the screen's pixels.
void ResizeWindow(const XServer& x, const std::string& window, QSize size) {
    ASSERT_TRUE(RunCapture({"xdotool", "windowsize", window, std::to_string(size.width()),
                            std::to_string(size.height())},
                           On(x), 30s)
                    .has_value());
}

// The operable controls by role and name, where that pair is the only one of its kind; the
// output box and its parts aside.
std::map<std::string, QRect> Controls(const std::vector<AccessibleObject>& objects) {
    std::map<std::string, QRect> controls;
    std::map<std::string, int> seen;
    for (const AccessibleObject& o : objects) {
        if (!o.operable || o.name.empty() || o.role.find("menu") != std::string::npos ||
            o.name.rfind("字符画", 0) == 0) {
            continue;
        }
        const std::string key = o.role + " " + o.name;
        if (++seen[key] == 1) controls[key] = o.extents;
    }
    for (const auto& [key, count] : seen) {
        if (count > 1) controls.erase(key);
    }
    return controls;
}

// Where the object named `name` (any role) is on the screen; empty when AT-SPI shows none.
QRect Extents(const std::vector<AccessibleObject>& objects, const std::string& name) {
    for (const AccessibleObject& o : objects) {
        if (o.name == name) return o.extents;
    }
    return {};
}

// The right-hand column of tools on the first tab.
bool IsRightHandTool(const std::string& key) {
    for (const char* name :
         {"设置输出大小", "载入图片", "保存图片", "清除画面", "第一步", "第二步", "修改",
          "对应字符", "输出宽度", "输出高度", "颜色分类", "画直线", "画矩形", "画圆或椭圆",
          "画弧线", "随手画线", "画笔加粗", "画笔变细", "选择画笔颜色"}) {
        if (key.find(name) != std::string::npos) return true;
    }
    return false;
}

void CheckTheWindowGrows(double scale) {
    SCOPED_TRACE(scale);
    const int s = static_cast<int>(scale);
    XServer x(1800 * s, 1150 * s);
    ASSERT_TRUE(x.ok());
    AccessibilityBus bus("grow-" + std::to_string(s));
    ASSERT_FALSE(bus.address().empty()) << "no session bus";
    DesktopProgram q(x, {.scale = scale, .extra_env = bus.ProgramEnvironment()});
    ASSERT_TRUE(q.ok()) << q.log();
    const std::string window = MainWindow(x);
    ASSERT_FALSE(window.empty());

    // The form's size is the smallest the window may take, and none is the largest: it can be
    // maximised.
    const std::string hints =
        RunCapture({"xprop", "-id", window, "WM_NORMAL_HINTS"}, On(x), 30s).value_or("");
    EXPECT_NE(
        hints.find("minimum size: " + std::to_string(1000 * s) + " by " + std::to_string(640 * s)),
        std::string::npos)
        << hints;
    EXPECT_EQ(hints.find("maximum size"), std::string::npos) << hints;

    // The controls once the output box (named "字符画") shows `width` wide; and the box.
    QRect output;
    auto controls_now = [&](int width) {
        std::map<std::string, QRect> controls;
        EXPECT_TRUE(q.WaitUntil(
            [&] {
                const std::vector<AccessibleObject> objects = bus.Objects(x.name());
                controls = Controls(objects);
                output = Extents(objects, "字符画");
                return output.width() == width;
            },
            60s))
            << "watchdog: AT-SPI never showed the output box " << width << " wide";
        return controls;
    };
    const std::map<std::string, QRect> before = controls_now(938 * s);
    const QRect output_before = output;
    ASSERT_GE(before.size(), 30u);
    EXPECT_EQ(output_before, q.Place("编辑框1"));

    ResizeWindow(x, window, QSize(1600 * s, 1000 * s));
    ASSERT_TRUE(q.WaitIdle());
    const std::map<std::string, QRect> after = controls_now(1538 * s);
    EXPECT_EQ(output.topLeft(), output_before.topLeft());
    EXPECT_EQ(output.size(), output_before.size() + QSize(600 * s, 360 * s));
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [key, was] : before) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(after.count(key));
        const QRect now = after.at(key);
        if (key.rfind("page tab", 0) == 0) {
            EXPECT_EQ(now.topLeft(), was.topLeft());  // the tabs stay at the left
        } else {
            EXPECT_EQ(now.size(), was.size());
            EXPECT_EQ(now.topLeft(), was.topLeft() + QPoint(IsRightHandTool(key) ? 600 * s : 0, 0));
        }
    }
    // On the screen: the output box's white reaches its new corner, and the window's own
    // background begins right of it.
    const QPoint corner = q.ClientPoint(56 + 1538 - 6, 328 + 624 - 6);
    EXPECT_EQ(q.Pixel(corner), qRgb(255, 255, 255));
    EXPECT_NE(q.Pixel(corner + QPoint(12 * s, 0)), qRgb(255, 255, 255));

    // Back at the form's size, every control is where it was.
    ResizeWindow(x, window, QSize(1000 * s, 640 * s));
    ASSERT_TRUE(q.WaitIdle());
    const std::map<std::string, QRect> back = controls_now(938 * s);
    EXPECT_EQ(output, output_before);
    for (const auto& [key, was] : before) {
        ASSERT_TRUE(back.count(key)) << key;
        EXPECT_EQ(back.at(key), was) << key;
    }
    EXPECT_TRUE(CloseAndExit(q));
}

TEST(DesktopWindowGrowth, TheOutputBoxTakesTheExtraSizeAndTheToolsKeepTheirs) {
    CheckTheWindowGrows(1);
}

TEST(DesktopWindowGrowth, AtScaleTwoToo) {
    CheckTheWindowGrows(2);
}

}  // namespace
}  // namespace quorix
