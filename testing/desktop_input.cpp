// The program driven as a person drives it: the pointer and the keyboard, through the X
// server's XTest extension (and libxdo for typed text).
#include <gtest/gtest.h>

#include <thread>

#include "testing/desktop_program.h"

// Xlib's macros (Bool, Status, None) clash with Qt's headers: it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
extern "C" {
#include <xdo.h>
}

namespace quorix::testing {
namespace {

// Between two keys typed, and between the movements of a drag.
constexpr useconds_t kKeyDelayUs = 8000;
constexpr auto kMoveDelay = std::chrono::milliseconds(15);

}  // namespace

void DesktopProgram::Sync() const {
    if (xdo_ != nullptr) XSync(xdo_->xdpy, False);
}

void DesktopProgram::MoveTo(QPoint p) {
    xdo_move_mouse(xdo_, p.x(), p.y(), 0);
    Sync();
}

void DesktopProgram::Press(int button) {
    xdo_mouse_down(xdo_, CURRENTWINDOW, button);
    Sync();
}

void DesktopProgram::Release(int button) {
    xdo_mouse_up(xdo_, CURRENTWINDOW, button);
    Sync();
}

void DesktopProgram::Click(QPoint p, int button) {
    MoveTo(p);
    std::this_thread::sleep_for(kMoveDelay);
    Press(button);
    std::this_thread::sleep_for(kMoveDelay);
    Release(button);
}

void DesktopProgram::Drag(QPoint from, QPoint to, int steps, bool settle) {
    MoveTo(from);
    std::this_thread::sleep_for(kMoveDelay);
    Press();
    for (int i = 1; i <= steps; ++i) {
        std::this_thread::sleep_for(kMoveDelay);
        MoveTo(from + (to - from) * i / steps);
        if (settle && !WaitIdle()) {
            ADD_FAILURE() << "watchdog: the program did not come to rest after movement " << i
                          << " of a drag";
        }
    }
    std::this_thread::sleep_for(kMoveDelay);
    Release();
}

void DesktopProgram::Wheel(int clicks, bool horizontal) {
    const int button = horizontal ? (clicks > 0 ? 7 : 6) : (clicks > 0 ? 5 : 4);
    for (int i = 0; i < std::abs(clicks); ++i) {
        xdo_click_window(xdo_, CURRENTWINDOW, button);
        Sync();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void DesktopProgram::Type(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (length == 1) {
            const char one[2] = {utf8[i], 0};
            xdo_enter_text_window(xdo_, CURRENTWINDOW, one, kKeyDelayUs);
            Sync();
        } else {
            char32_t code = lead & (0xFF >> (length + 1));
            for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            }
            TypeUnmapped(code);
        }
        i += length;
    }
}

// A character the keyboard map does not hold is typed the way input tools do it: a spare key
// is given the character's keysym, and once the program has taken in the new map, the key is
// pressed. The next character may bind the key anew only once the program has read the press.
void DesktopProgram::TypeUnmapped(char32_t code) {
    Display* d = xdo_->xdpy;
    if (spare_keycode_ == 0) {
        int low = 0, high = 0, per = 0;
        XDisplayKeycodes(d, &low, &high);
        KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &per);
        for (int k = high; k >= low && spare_keycode_ == 0; --k) {
            bool empty = true;
            for (int j = 0; j < per; ++j) empty = empty && map[(k - low) * per + j] == NoSymbol;
            if (empty) spare_keycode_ = k;
        }
        XFree(map);
        if (spare_keycode_ == 0) return;
    }
    KeySym sym = 0x01000000 + code;
    KeySym both[2] = {sym, sym};
    XChangeKeyboardMapping(d, spare_keycode_, 2, both, 1);
    XSync(d, False);
    if (!WaitIdle()) {
        ADD_FAILURE() << "watchdog: the program did not come to rest after a keyboard map change";
    }
    XTestFakeKeyEvent(d, static_cast<unsigned>(spare_keycode_), True, CurrentTime);
    XTestFakeKeyEvent(d, static_cast<unsigned>(spare_keycode_), False, CurrentTime);
    XSync(d, False);
    if (!WaitIdle()) {
        ADD_FAILURE() << "watchdog: the program did not come to rest after a typed character";
    }
}

void DesktopProgram::Keys(const char* sequence) {
    xdo_send_keysequence_window(xdo_, CURRENTWINDOW, sequence, kKeyDelayUs);
    Sync();
}

void DesktopProgram::KeyDown(const char* key) {
    xdo_send_keysequence_window_down(xdo_, CURRENTWINDOW, key, kKeyDelayUs);
    Sync();
}

void DesktopProgram::KeyUp(const char* key) {
    xdo_send_keysequence_window_up(xdo_, CURRENTWINDOW, key, kKeyDelayUs);
    Sync();
}

bool DesktopProgram::Retype(const char* control, std::string_view utf8) {
    Click(control);
    if (!WaitIdle()) return false;
    Keys("ctrl+a");
    Type(utf8);
    return WaitIdle();
}

}  // namespace quorix::testing
