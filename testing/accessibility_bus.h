// Assistive technology's view of the program: a session bus of the test's own with the
// accessibility bus on it (AT-SPI), and the program's accessible objects as a screen reader
// finds them.
#pragma once

#include <QRect>
#include <string>
#include <vector>

#include "testing/x_server.h"

namespace quorix::testing {

// One accessible object of the program, as AT-SPI gives it.
struct AccessibleObject {
    std::string role;  // "push button", "menu item", ...
    std::string name;
    bool operable = false;  // a control a person can use: enabled, and showing or a menu's item
    QRect extents;          // on the screen, in the screen's pixels
};

// A session bus of the test's own with the accessibility bus on it; everything it starts ends
// with it (each child in its own process group).
class AccessibilityBus {
public:
    // `tag` names the bus's folder among the test's temporary files.
    explicit AccessibilityBus(const std::string& tag);
    const std::string& address() const { return address_; }
    // What the program's environment needs to show itself on this bus.
    Environment ProgramEnvironment() const {
        return {{"DBUS_SESSION_BUS_ADDRESS", address_}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}};
    }

    // The program's objects as AT-SPI shows them, one "role<TAB>name" line each. The web
    // view's own tree is left out: it is large and none of the program's.
    std::string Tree(const std::string& display) const;
    // The same objects with what a person can do with them and where they are.
    std::vector<AccessibleObject> Objects(const std::string& display) const;

private:
    std::string Run(const std::string& display, const char* script) const;

    Child daemon_, launcher_, registry_;
    std::string address_;
};

}  // namespace quorix::testing
