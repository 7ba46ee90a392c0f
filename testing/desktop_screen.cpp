// What the person sees: the program's windows on the X server, their pixels and icon, the ink
// on them, and the X clipboard as another program reads it.
#include <QImage>
#include <fstream>
#include <set>

#include "testing/desktop_program.h"

// Xlib's macros (Bool, Status, None) clash with Qt's headers: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quorix::testing {

using namespace std::chrono_literals;
namespace {

constexpr const char* kCaptionStart = "Quorix----";

long CardinalProperty(Display* d, Window w, const char* name) {
    const Atom atom = XInternAtom(d, name, True);
    if (atom == None) return -1;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(d, w, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && count == 1 && format == 32) {
        value = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) XFree(data);
    return value;
}

std::string WindowName(Display* d, Window w) {
    const Atom atom = XInternAtom(d, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", True);
    std::string name;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (atom != None &&
        XGetWindowProperty(d, w, atom, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return name;
}

int Luminance(QRgb p) {
    return (qRed(p) * 299 + qGreen(p) * 587 + qBlue(p) * 114) / 1000;
}

// Runs of indices where `has_ink` holds, gaps of up to `join` indices closed.
std::vector<std::pair<int, int>> Runs(int count, const std::function<bool(int)>& has_ink,
                                      int join) {
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < count; ++i) {
        if (!has_ink(i)) continue;
        if (!runs.empty() && i - runs.back().second <= join + 1) {
            runs.back().second = i;
        } else {
            runs.emplace_back(i, i);
        }
    }
    return runs;
}

// Whether the `count` pixels from `at` on, `step` apart, hold ink: some pixel much darker than
// the lightest of them.
bool HasInk(const QImage& image, QPoint at, QPoint step, int count) {
    int lightest = 0, darkest = 255;
    for (int i = 0; i < count; ++i, at += step) {
        const int l = Luminance(image.pixel(at));
        lightest = std::max(lightest, l);
        darkest = std::min(darkest, l);
    }
    return lightest - darkest > 80;
}

}  // namespace

std::vector<std::pair<int, int>> InkRows(const QImage& image, int join) {
    return Runs(
        image.height(),
        [&](int y) {
            return HasInk(image, {0, y}, {1, 0}, image.width());
        },
        join);
}

std::vector<std::pair<int, int>> InkColumns(const QImage& image, int join) {
    return Runs(
        image.width(),
        [&](int x) {
            return HasInk(image, {x, 0}, {0, 1}, image.height());
        },
        join);
}

unsigned long DesktopProgram::FindWindow(WindowKind kind) const {
    Display* d = x_.display();
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XSync(d, False);
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
    unsigned long found = 0;
    // Children come bottom to top: search from the top.
    for (int i = static_cast<int>(count) - 1; i >= 0 && found == 0; --i) {
        const Window w = children[i];
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) continue;
        if (CardinalProperty(d, w, "_NET_WM_PID") != child_.pid()) continue;
        if (a.override_redirect != 0) {
            if (kind == WindowKind::kPopup) found = w;
            continue;
        }
        // Qt may make the window anew (when a view of another surface type first shows in it):
        // the main window is the one with the caption, whatever its id.
        const bool is_main = WindowName(d, w).starts_with(kCaptionStart);
        if (is_main == (kind == WindowKind::kMain) && kind != WindowKind::kPopup) found = w;
    }
    if (children != nullptr) XFree(children);
    return found;
}

int DesktopProgram::CountShownWindows() const {
    Display* d = x_.display();
    XSync(d, False);
    std::set<unsigned long> popups, shown;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == CreateNotify && e.xcreatewindow.override_redirect) {
            popups.insert(e.xcreatewindow.window);
        } else if (e.type == MapNotify && !popups.contains(e.xmap.window)) {
            shown.insert(e.xmap.window);
        }
    }
    return static_cast<int>(shown.size());
}

QImage DesktopProgram::Grab(QRect r) const {
    r = r.intersected(QRect(0, 0, x_.width(), x_.height()));
    if (r.isEmpty()) return {};
    Display* d = x_.display();
    XSync(d, False);
    XImage* shot =
        XGetImage(d, DefaultRootWindow(d), r.x(), r.y(), static_cast<unsigned>(r.width()),
                  static_cast<unsigned>(r.height()), AllPlanes, ZPixmap);
    if (shot == nullptr) return {};
    QImage image(r.size(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const unsigned long p = XGetPixel(shot, x, y);
            line[x] = qRgb(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                           static_cast<int>(p & 0xFF));
        }
    }
    XDestroyImage(shot);
    return image;
}

QRgb DesktopProgram::Pixel(QPoint p) const {
    const QImage one = Grab(QRect(p, QSize(1, 1)));
    return one.isNull() ? 0 : one.pixel(0, 0);
}

std::optional<std::string> DesktopProgram::Clipboard() const {
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = x_.name();
    return RunCapture({"xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"}, env, 60s);
}

bool DesktopProgram::OfferOnClipboard(const std::string& text) {
    const std::string file = folder_ + "/offered.txt";
    std::ofstream(file, std::ios::binary) << text;
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = x_.name();
    // In the foreground: the owner is a child of the test, ended with it.
    clipboard_owner_ = Child({"xclip", "-quiet", "-selection", "clipboard", "-i", file}, env);
    return WaitUntil([&] { return Clipboard() == text; });
}

std::optional<QRect> DesktopProgram::WindowRect(WindowKind kind) const {
    const unsigned long w = FindWindow(kind);
    XWindowAttributes a{};
    if (w == 0 || !XGetWindowAttributes(x_.display(), w, &a)) return std::nullopt;
    return QRect(a.x, a.y, a.width, a.height);
}

std::optional<DesktopProgram::SizeHints> DesktopProgram::WindowSizeHints() const {
    const unsigned long window = FindWindow(WindowKind::kMain);
    XSizeHints hints{};
    long supplied = 0;
    if (window == 0 || !XGetWMNormalHints(x_.display(), window, &hints, &supplied)) {
        return std::nullopt;
    }
    SizeHints sizes;
    if (hints.flags & PMinSize) sizes.minimum = QSize(hints.min_width, hints.min_height);
    if (hints.flags & PMaxSize) sizes.maximum = QSize(hints.max_width, hints.max_height);
    return sizes;
}

bool DesktopProgram::ResizeWindow(QSize screen_size) {
    const unsigned long window = FindWindow(WindowKind::kMain);
    if (window == 0) return false;
    XResizeWindow(x_.display(), window, static_cast<unsigned>(screen_size.width()),
                  static_cast<unsigned>(screen_size.height()));
    XSync(x_.display(), False);
    return WaitUntil([&] {
               const std::optional<QRect> shown = WindowRect(WindowKind::kMain);
               return shown && shown->size() == screen_size;
           }) &&
           WaitIdle();
}

std::optional<QImage> DesktopProgram::WindowIcon(int side) const {
    Display* d = x_.display();
    const unsigned long window = FindWindow(WindowKind::kMain);
    const Atom atom = XInternAtom(d, "_NET_WM_ICON", True);
    if (window == 0 || atom == None) return std::nullopt;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::optional<QImage> icon;
    if (XGetWindowProperty(d, window, atom, 0, 1 << 20, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 32) {
        // Images one after another: width, height, then ARGB pixels (each in a long).
        const auto* words = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long at = 0; at + 2 <= count && !icon;) {
            const unsigned long w = words[at], h = words[at + 1];
            if (at + 2 + w * h > count) break;
            if (static_cast<int>(w) == side && static_cast<int>(h) == side) {
                QImage image(side, side, QImage::Format_ARGB32);
                for (int y = 0; y < side; ++y) {
                    for (int x = 0; x < side; ++x) {
                        image.setPixel(x, y, static_cast<QRgb>(words[at + 2 + y * w + x]));
                    }
                }
                icon = image;
            }
            at += 2 + w * h;
        }
    }
    if (data != nullptr) XFree(data);
    return icon;
}

std::optional<QRect> DesktopProgram::Popup() const {
    return WindowRect(WindowKind::kPopup);
}

std::optional<QRect> DesktopProgram::Dialog() const {
    return WindowRect(WindowKind::kOther);
}

std::string DesktopProgram::DialogTitle() const {
    const unsigned long w = FindWindow(WindowKind::kOther);
    return w != 0 ? WindowName(x_.display(), w) : std::string();
}

}  // namespace quorix::testing
