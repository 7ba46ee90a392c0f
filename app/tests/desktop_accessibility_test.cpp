// What assistive technology finds in the real program, over AT-SPI on a session bus of the
// test's own: the entries "减少颜色…" and "按亮度分配字符…" of the menu "生成指令", and their
// dialogs with the captions of the dialogs and of the controls in them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// Every accessible object of the program, one "role<TAB>name" line each, from AT-SPI's tree.
// The web view's own tree is left out: it is large and no part of this.
constexpr const char kDumpTree[] = R"(
import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi

def walk(node, depth):
    try:
        role, name = node.get_role_name(), node.get_name()
    except Exception:
        return
    print(role + '\t' + name)
    if depth > 40 or role in ('document web', 'internal frame'):
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1)

desktop = Atspi.get_desktop(0)
for i in range(desktop.get_child_count()):
    app = desktop.get_child_at_index(i)
    if app is not None:
        walk(app, 0)
)";

// A session bus of the test's own with the accessibility bus on it; everything it starts ends
// with it (each child in its own process group).
class AccessibilityBus {
public:
    explicit AccessibilityBus(const std::string& folder) {
        const std::string log = folder + "/dbus-address";
        daemon_ = Child({"dbus-daemon", "--session", "--nofork", "--print-address"},
                        CurrentEnvironment(), log);
        for (int i = 0; i < 500 && address_.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream in(log);
            std::getline(in, address_);
        }
        if (address_.empty()) return;
        Environment env = CurrentEnvironment();
        env["DBUS_SESSION_BUS_ADDRESS"] = address_;
        launcher_ =
            Child({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"}, env);
        registry_ = Child({"/usr/libexec/at-spi2-registryd"}, env);
    }
    const std::string& address() const { return address_; }

    // The program's objects as AT-SPI shows them.
    std::string Tree(const std::string& display) const {
        Environment env = CurrentEnvironment();
        env["DBUS_SESSION_BUS_ADDRESS"] = address_;
        env["DISPLAY"] = display;
        return RunCapture({"/usr/bin/python3", "-c", kDumpTree}, env, std::chrono::seconds(60))
            .value_or(std::string());
    }

private:
    Child daemon_, launcher_, registry_;
    std::string address_;
};

bool Has(const std::string& tree, const std::string& role, const std::string& name) {
    return tree.find(role + "\t" + name + "\n") != std::string::npos;
}

TEST(DesktopAccessibility, TheNewEntriesAndTheirDialogsCarryTheirCaptionsAsNames) {
    XServer x;
    const std::string folder = ::testing::TempDir() + "/quorix-a11y-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    AccessibilityBus bus(folder);
    ASSERT_FALSE(bus.address().empty()) << "no session bus";
    DesktopProgram q(x, {.extra_env = {{"DBUS_SESSION_BUS_ADDRESS", bus.address()},
                                       {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}}});
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
