// The real quorix on a real X display, driven as a person drives it.
//
// The program is started through its loader as its own process, with the xcb platform, on a
// private Xvfb. Input goes through the X server (XTest, by libxdo), at the places where the
// window description puts the controls. What the test checks is what a person sees: the
// screen's pixels, the X clipboard as another program reads it (xclip), the files written.
//
// Every wait is for a state (the program has come to rest, a popup shows, the program has
// ended), never for a number of milliseconds, and its timeout is a watchdog against a hang.
// Waits, and actions whose purpose is to wait (a file dialog answered), are [[nodiscard]]: the
// test checks each. Actions that wait in passing (a settled drag, typed text) count a wait that
// times out as a failure of the test, with a message saying so.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/krnln/color_value.h"
#include "testing/x_server.h"

struct xdo;

namespace quorix::testing {

// A colour value as the program shows it (0x00BBGGRR) from a screen pixel.
inline int32_t ColourValue(QRgb rgb) {
    return static_cast<int32_t>(host::ValueFromRgb(rgb));
}

class DesktopProgram {
public:
    struct Options {
        double scale = 1;            // QT_SCALE_FACTOR
        Environment extra_env = {};  // added to the program's environment
    };
    explicit DesktopProgram(XServer& x, Options options);
    explicit DesktopProgram(XServer& x) : DesktopProgram(x, Options{}) {}
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // The window is shown and its controls were found where the form puts them.
    bool ok() const { return shown_; }
    std::string log() const;  // what the program wrote to standard output and error
    pid_t pid() const { return child_.pid(); }
    double scale() const { return scale_; }
    // How many top-level windows (not menus) the X server showed from the start of the program
    // until its window was found idle: 1 when the window was made once and never made anew.
    int windows_shown_at_start() const { return windows_shown_; }
    // A folder of the test's own; the program's home folder.
    const std::string& folder() const { return folder_; }

    // ---- Where things are, in screen pixels ----
    QRect window_rect() const;
    // The X window the main window is shown in (0 if none): a window that is made anew while
    // shown flashes, and loses what a window manager or a tool attached to it.
    unsigned long main_window() const { return FindWindow(WindowKind::kMain); }
    // The place of a control (UTF-8 name) as the window description lays it out.
    QRect Place(const char* control) const;
    QPoint Centre(const char* control) const { return Place(control).center(); }
    // A point given in the window's client coordinates, as the form counts them.
    QPoint ClientPoint(int x, int y) const;

    // ---- Input through the X server ----
    void MoveTo(QPoint p);
    void Press(int button = 1);
    void Release(int button = 1);
    void Click(QPoint p, int button = 1);
    void Click(const char* control) { Click(Centre(control)); }
    // Presses at `from`, moves in `steps` movements to `to` and releases there. With `settle`
    // the hand waits after each movement until the program has taken it in: no movement is
    // merged with the next, as Qt does when the program falls behind.
    void Drag(QPoint from, QPoint to, int steps = 8, bool settle = false);
    // Wheel clicks at the pointer: positive turns down (or right), negative up (or left).
    void Wheel(int clicks, bool horizontal = false);
    void Type(std::string_view utf8);
    // A key sequence such as "ctrl+a", "Return" or "Down".
    void Keys(const char* sequence);
    // Holds a key (such as "ctrl") down until KeyUp, for what is done meanwhile (a wheel turn).
    void KeyDown(const char* key);
    void KeyUp(const char* key);
    // Clicks a text box (or a combo box's text), selects what it holds and types `utf8`;
    // false when the program did not come to rest after the click or the typing.
    [[nodiscard]] bool Retype(const char* control, std::string_view utf8);

    // ---- What a person sees ----
    QImage Grab(QRect screen_rect) const;
    QRgb Pixel(QPoint p) const;
    // The whole X clipboard as another program reads it, or nullopt when nobody owns it.
    std::optional<std::string> Clipboard() const;
    // Another program (xclip) takes the X clipboard and offers `text` on it until somebody
    // else takes it: a marker to tell "nothing was copied" from "the same was copied again".
    // False when the clipboard did not come to hold it.
    [[nodiscard]] bool OfferOnClipboard(const std::string& text);
    // The icon the main window gives the window manager (_NET_WM_ICON), at `side` pixels.
    std::optional<QImage> WindowIcon(int side) const;
    // The screen rectangle of a shown popup menu of the program, if one is open.
    std::optional<QRect> Popup() const;
    // The screen rectangle of a shown top-level window of the program other than its main
    // window (a dialog), if one is open.
    std::optional<QRect> Dialog() const;
    // The title of that window (UTF-8), empty when none is open.
    std::string DialogTitle() const;
    // The smallest and largest sizes the main window tells the window manager it may take
    // (WM_NORMAL_HINTS), in screen pixels; an empty size where it names none.
    struct SizeHints {
        QSize minimum, maximum;
    };
    std::optional<SizeHints> WindowSizeHints() const;

    // ---- Waiting ----
    // A watchdog against a hang: no wait of a test should come near it.
    static constexpr std::chrono::milliseconds kWatchdog = std::chrono::seconds(60);
    // Waits until the program is at rest: it has handled what it was sent and waits for the
    // user. At rest means that, in three windows of 50 ms in a row, the program's threads used
    // at most a fifth of a processor, no thread that takes in events (the program's main thread
    // and X reader, the X server) was running or waiting for a processor, and the threads
    // waited for a processor less than half the window: a program that is busy but starved of
    // a processor is not at rest, and the wake-ups of its libraries' helper threads on a busy
    // machine do not keep it from rest. False when the program ended, or did not come to rest
    // within `timeout` (a watchdog: a long step may take minutes on a busy machine).
    [[nodiscard]] bool WaitIdle(std::chrono::milliseconds timeout = kWatchdog);
    // Waits until `condition` holds; false when it did not within `timeout`.
    [[nodiscard]] bool WaitUntil(const std::function<bool()>& condition,
                                 std::chrono::milliseconds timeout = kWatchdog);

    // Resizes the main window as a window manager does (the window keeps its corner) and waits
    // until the X server shows it at that size and the program is at rest.
    [[nodiscard]] bool ResizeWindow(QSize screen_size);

    // ---- Ending ----
    // Closes the window as a window manager does: WM_DELETE_WINDOW.
    void Close();
    // The exit status once the program has ended, or nullopt when it still runs after
    // `timeout` (a watchdog).
    [[nodiscard]] std::optional<int> WaitExit(std::chrono::milliseconds timeout = kWatchdog) {
        return child_.Wait(timeout);
    }
    bool running() { return child_.running(); }

    // Opens the menu-bar entry `entry` (0-based, left to right) and chooses its item `item`
    // (0-based, top to bottom), each with a click where its caption shows, and waits until the
    // program is at rest. False when the entry or item was not found or a wait failed.
    [[nodiscard]] bool ChooseMenu(int entry, int item);
    // Chooses item `item` of the popup menu that is open, with a click on its caption, and
    // waits until the program is at rest.
    [[nodiscard]] bool ChoosePopupItem(int item);
    // In the open file dialog, types `path` as the file name and confirms with Return. Waits
    // until the dialog has gone and the program has done what the answer asks (a load, a save).
    [[nodiscard]] bool AnswerFileDialog(const std::string& path);
    // Presses Escape in the open file dialog and waits until it has gone.
    [[nodiscard]] bool CancelFileDialog();

private:
    enum class WindowKind { kMain, kPopup, kOther };
    // The topmost shown window of the program of that kind, or 0.
    unsigned long FindWindow(WindowKind kind) const;
    std::optional<QRect> WindowRect(WindowKind kind) const;
    bool Calibrate();
    int CountShownWindows() const;
    void Sync() const;
    void TypeUnmapped(char32_t code);
    // Says on standard error which wait ran out, and makes every later wait fail at once: a
    // test that goes on after a failed wait fails in seconds, instead of a minute per wait.
    bool Fire(const char* what, std::chrono::milliseconds timeout);

    XServer& x_;
    double scale_;
    bool watchdog_fired_ = false;
    std::string folder_;
    Child child_;
    Child clipboard_owner_;
    xdo* xdo_ = nullptr;
    bool shown_ = false;
    int windows_shown_ = 0;
    int spare_keycode_ = 0;
    QPoint window_origin_;
    QPoint client_origin_;
    std::map<QString, QRect> places_;  // client rectangles, unscaled
};

// Rows of an image that hold text or drawing, as [first, last] runs: the rows where some pixel
// is much darker than the image's lightest pixel in that row.
// Gaps of up to `join` blank rows (columns) inside a run are closed.
std::vector<std::pair<int, int>> InkRows(const QImage& image, int join = 0);
// The same for columns.
std::vector<std::pair<int, int>> InkColumns(const QImage& image, int join = 0);

}  // namespace quorix::testing
