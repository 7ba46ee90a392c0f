#include "testing/accessibility_bus.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quorix::testing {
namespace {

// Walks AT-SPI's tree of every application; `show(node, role, name)` prints a line.
constexpr const char kWalk[] = R"(
import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi

def walk(node, depth):
    try:
        role, name = node.get_role_name(), node.get_name()
        show(node, role, name)
    except Exception:
        return
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

constexpr const char kShowRoleAndName[] = R"(
def show(node, role, name):
    print(role + '\t' + name)
)";

// role, name, operable (0 or 1), x, y, width, height; tab-separated.
constexpr const char kShowEverything[] = R"(
OPERABLE = {'push button', 'toggle button', 'radio button', 'check box', 'combo box',
            'spin button', 'text', 'entry', 'password text', 'slider', 'scroll bar',
            'menu item', 'check menu item', 'radio menu item', 'page tab', 'table', 'list',
            'tree', 'tree table', 'link', 'canvas'}
def show(node, role, name):
    states = node.get_state_set()
    enabled = states.contains(Atspi.StateType.ENABLED) and states.contains(Atspi.StateType.SENSITIVE)
    showing = states.contains(Atspi.StateType.SHOWING) or role.endswith('menu item')
    operable = role in OPERABLE and enabled and showing
    if role == 'text' and not states.contains(Atspi.StateType.EDITABLE) and \
       not states.contains(Atspi.StateType.FOCUSABLE):
        operable = False
    try:
        e = node.get_extents(Atspi.CoordType.SCREEN)
        box = (e.x, e.y, e.width, e.height)
    except Exception:
        box = (0, 0, 0, 0)
    print('\t'.join([role, name.replace('\t', ' ').replace('\n', ' '),
                     '1' if operable else '0'] + [str(v) for v in box]))
)";

}  // namespace

AccessibilityBus::AccessibilityBus(const std::string& tag) {
    const std::string folder =
        ::testing::TempDir() + "/quorix-" + tag + "-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
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
    // The accessibility bus's socket lives in the runtime folder: a folder of this bus's own,
    // or two tests that run at once would share one socket and one would find nothing.
    const std::string runtime = folder + "/run";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    env["XDG_RUNTIME_DIR"] = runtime;
    launcher_ =
        Child({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"}, env);
    registry_ = Child({"/usr/libexec/at-spi2-registryd"}, env);
}

std::string AccessibilityBus::Run(const std::string& display, const char* script) const {
    Environment env = CurrentEnvironment();
    env["DBUS_SESSION_BUS_ADDRESS"] = address_;
    env["DISPLAY"] = display;
    return RunCapture({"/usr/bin/python3", "-c", std::string(script) + kWalk}, env,
                      std::chrono::seconds(60))
        .value_or(std::string());
}

std::string AccessibilityBus::Tree(const std::string& display) const {
    return Run(display, kShowRoleAndName);
}

std::vector<AccessibleObject> AccessibilityBus::Objects(const std::string& display) const {
    std::vector<AccessibleObject> objects;
    std::istringstream lines(Run(display, kShowEverything));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        if (fields.size() != 7) continue;
        objects.push_back({fields[0], fields[1], fields[2] == "1",
                           QRect(std::stoi(fields[3]), std::stoi(fields[4]), std::stoi(fields[5]),
                                 std::stoi(fields[6]))});
    }
    return objects;
}

}  // namespace quorix::testing
