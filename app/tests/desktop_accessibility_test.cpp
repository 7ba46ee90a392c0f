// What assistive technology finds in the real program, over AT-SPI on a session bus of the
// test's own: the entries "减少颜色…" and "按亮度分配字符…" of the menu "生成指令", and their
// dialogs with the captions of the dialogs and of the controls in them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "testing/accessibility_bus.h"
#include "testing/desktop_actions.h"

namespace quorix {

using namespace std::chrono_literals;
namespace {

using namespace testing;

bool Has(const std::string& tree, const std::string& role, const std::string& name) {
    return tree.find(role + "\t" + name + "\n") != std::string::npos;
}

TEST(DesktopAccessibility, TheNewEntriesAndTheirDialogsCarryTheirCaptionsAsNames) {
    XServer x;
    AccessibilityBus bus("a11y");
    ASSERT_FALSE(bus.address().empty()) << "no session bus";
    DesktopProgram q(x, {.extra_env = bus.ProgramEnvironment()});
    ASSERT_TRUE(q.ok()) << q.log();

    std::string tree;
    ASSERT_TRUE(q.WaitUntil(
        [&] {
            tree = bus.Tree(x.name());
            return Has(tree, "menu item", "按亮度分配字符…");
        },
        60s))
        << "watchdog: AT-SPI shows no entry \"按亮度分配字符…\":\n"
        << tree;
    EXPECT_TRUE(Has(tree, "menu item", "减少颜色…")) << tree;
    EXPECT_TRUE(Has(tree, "menu item", "生成指令")) << tree;  // the menu bar's entry

    const struct {
        int item;
        std::vector<std::pair<std::string, std::string>> expected;
    } dialogs[] = {
        {2,
         {{"dialog", "减少颜色"},
          {"spin button", "颜色数"},
          {"check box", "抖动"},
          {"push button", "确定"},
          {"push button", "取消"}}},
        {3, {{"dialog", "按亮度分配字符"}, {"label", "字符梯度"}, {"push button", "确定"}}},
    };
    for (const auto& dialog : dialogs) {
        ASSERT_TRUE(q.ChooseMenu(1, dialog.item));
        ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
        const auto& [role, name] = dialog.expected.front();
        ASSERT_TRUE(q.WaitUntil(
            [&] {
                tree = bus.Tree(x.name());
                return Has(tree, role, name);
            },
            60s))
            << "watchdog: AT-SPI shows no " << role << " \"" << name << "\":\n"
            << tree;
        for (const auto& [r, n] : dialog.expected) EXPECT_TRUE(Has(tree, r, n)) << r << " " << n;
        q.Keys("Escape");
        ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
    }
}

}  // namespace
}  // namespace quorix

// ---- every control has a name ----
namespace quorix {
namespace {

using namespace testing;

std::string Listed(const std::vector<AccessibleObject>& objects) {
    std::string out;
    for (const AccessibleObject& o : objects) {
        out += o.role + "\t\"" + o.name + "\"\t" + std::to_string(o.extents.x()) + "," +
               std::to_string(o.extents.y()) + "\n";
    }
    return out;
}

// On each of the three tabs, every control a person can operate (buttons, boxes, spin arrows,
// scroll bars, menu items, tabs) has a name; the controls that show only a symbol are named
// after what they do.
TEST(DesktopAccessibility, NoOperableControlIsAnnouncedWithoutAName) {
    XServer x;
    AccessibilityBus bus("names");
    ASSERT_FALSE(bus.address().empty()) << "no session bus";
    DesktopProgram q(x, {.extra_env = bus.ProgramEnvironment()});
    ASSERT_TRUE(q.ok()) << q.log();
    // A picture larger than its place: the board's view has scroll bars to operate.
    ASSERT_TRUE(SetOutputSize(q, 900, 400));

    auto has = [](const std::vector<AccessibleObject>& objects, const char* role,
                  const char* name) {
        return std::any_of(objects.begin(), objects.end(), [&](const AccessibleObject& o) {
            return o.role == role && o.name == name && o.operable;
        });
    };
    std::vector<AccessibleObject> objects;
    ASSERT_TRUE(q.WaitUntil(
        [&] {
            objects = bus.Objects(x.name());
            return has(objects, "push button", "修改");
        },
        60s))
        << "watchdog: AT-SPI shows no button \"修改\":\n"
        << Listed(objects);
    const struct {
        const char* role;
        const char* name;
    } named[] = {
        {"radio button", "画直线"},  {"radio button", "画矩形"},      {"push button", "画笔加粗"},
        {"push button", "画笔变细"}, {"push button", "选择画笔颜色"}, {"push button", "放大文字"},
        {"push button", "缩小文字"}, {"page tab", "Quorix"},          {"menu item", "保存字符画…"},
    };
    for (const auto& n : named)
        EXPECT_TRUE(has(objects, n.role, n.name)) << n.role << " " << n.name;

    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        if (tab > 0) {
            q.Click("按钮16");  // the focus on the first tab's controls
            ASSERT_TRUE(q.WaitIdle());
            for (int i = 0; i < tab; ++i) q.Keys("ctrl+Tab");
            ASSERT_TRUE(q.WaitIdle());
            objects = bus.Objects(x.name());
        }
        std::vector<AccessibleObject> nameless;
        int operable = 0;
        for (const AccessibleObject& o : objects) {
            if (!o.operable) continue;
            ++operable;
            if (o.name.empty()) nameless.push_back(o);
        }
        EXPECT_GE(operable, tab == 0 ? 40 : 15) << Listed(objects);
        EXPECT_TRUE(nameless.empty()) << "operable and without a name:\n" << Listed(nameless);
    }
}

}  // namespace
}  // namespace quorix
// ---- end of every control has a name ----
