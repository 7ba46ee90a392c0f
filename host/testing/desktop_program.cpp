#include "host/testing/desktop_program.h"

#include <sys/stat.h>

#include <QFile>
#include <QStringDecoder>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "image/form.h"
#include "image/program_image.h"

// Xlib's macros (Bool, Status, None) clash with Qt's headers: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
extern "C" {
#include <xdo.h>
}

namespace quorix::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kCaptionStart = "Quorix----";
// Between two keys typed, and between the movements of a drag.
constexpr useconds_t kKeyDelayUs = 8000;
constexpr auto kMoveDelay = std::chrono::milliseconds(15);

std::string MakeFolder() {
    char pattern[] = "/tmp/quorix-desktop-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made != nullptr ? made : "/tmp";
}

QString FromGbk(const std::string& bytes) {
    QStringDecoder decode("GB18030");
    return decode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Every control's rectangle in the window's client coordinates, as the program's window
// description places it: a control's place is relative to its parent (a frame, the tab
// control), the parent's to its own, up to the window.
std::map<QString, QRect> ReadPlaces() {
    std::map<QString, QRect> places;
    QFile file(QStringLiteral(QUORIX_IMAGE_FILE));
    if (!file.open(QIODevice::ReadOnly)) return places;
    const QByteArray bytes = file.readAll();
    auto image = image::ReadImage(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                            static_cast<size_t>(bytes.size())));
    if (!image) return places;
    const image::Section* section = image::FindSection(*image, "form");
    if (section == nullptr) return places;
    auto form = form::ReadForm(section->data);
    if (!form) return places;
    std::map<uint32_t, const form::UnitBlock*> by_id;
    for (const form::Unit& unit : form->units) {
        if (const auto* block = std::get_if<form::UnitBlock>(&unit)) by_id[block->unit_id] = block;
    }
    for (const auto& [id, block] : by_id) {
        if (block->name.empty()) continue;
        QRect rect(block->left, block->top, block->width, block->height);
        for (uint32_t parent = block->parent; parent != 0;) {
            const auto it = by_id.find(parent);
            if (it == by_id.end()) break;
            rect.translate(it->second->left, it->second->top);
            parent = it->second->parent;
        }
        places[FromGbk(block->name)] = rect;
    }
    return places;
}

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
                                      int join = 0) {
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

bool RowHasInk(const QImage& image, int y) {
    int lightest = 0, darkest = 255;
    for (int x = 0; x < image.width(); ++x) {
        const int l = Luminance(image.pixel(x, y));
        lightest = std::max(lightest, l);
        darkest = std::min(darkest, l);
    }
    return lightest - darkest > 80;
}

bool ColumnHasInk(const QImage& image, int x) {
    int lightest = 0, darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        const int l = Luminance(image.pixel(x, y));
        lightest = std::max(lightest, l);
        darkest = std::min(darkest, l);
    }
    return lightest - darkest > 80;
}

}  // namespace

std::vector<std::pair<int, int>> InkRows(const QImage& image) {
    return Runs(image.height(), [&](int y) { return RowHasInk(image, y); });
}

std::vector<std::pair<int, int>> InkColumns(const QImage& image) {
    return Runs(image.width(), [&](int x) { return ColumnHasInk(image, x); });
}

DesktopProgram::DesktopProgram(XServer& x, Options options)
    : x_(x), scale_(options.scale), folder_(MakeFolder()) {
    if (!x_.ok()) return;
    Environment env = CurrentEnvironment();
    env.erase("QT_QPA_PLATFORM");  // the xcb platform, as on a desktop
    env.erase("QT_SCALE_FACTOR");
    env["DISPLAY"] = x_.name();
    env["HOME"] = folder_;
    env["XDG_CONFIG_HOME"] = folder_ + "/config";
    env["XDG_CACHE_HOME"] = folder_ + "/cache";
    env["XDG_DATA_HOME"] = folder_ + "/data";
    env["XDG_RUNTIME_DIR"] = folder_ + "/run";
    mkdir((folder_ + "/run").c_str(), 0700);
    if (scale_ != 1) env["QT_SCALE_FACTOR"] = std::to_string(scale_);
    for (const auto& [key, value] : options.extra_env) env[key] = value;
    // From before the program starts, the server tells of every window made and shown.
    Display* d = x_.display();
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, True);
    // The program built beside the tests, or another (an installed one) that QUORIX_PROGRAM names.
    const char* program = std::getenv("QUORIX_PROGRAM");
    child_ = Child({program != nullptr && *program != '\0' ? program : QUORIX_PROGRAM_FILE}, env,
                   folder_ + "/program.log");

    xdo_ = xdo_new(x_.name().c_str());
    places_ = ReadPlaces();
    if (xdo_ == nullptr || places_.empty()) return;
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline && child_.running()) {
        if (const std::optional<QRect> shown = WindowRect(WindowKind::kMain)) {
            window_origin_ = shown->topLeft();
            shown_ = true;
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    if (!shown_) return;
    WaitIdle();
    shown_ = Calibrate();
    windows_shown_ = CountShownWindows();
}

DesktopProgram::~DesktopProgram() {
    child_.Terminate(2s);
    if (xdo_ != nullptr) xdo_free(xdo_);
    if (folder_.starts_with("/tmp/quorix-desktop-")) {
        std::system(("rm -rf '" + folder_ + "'").c_str());
    }
}

std::string DesktopProgram::log() const {
    std::ifstream in(folder_ + "/program.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The client area starts below the menu bar, whose height is the platform's. It is found as a
// person finds it: the picture board, blank and white when the window opens, is the white
// square of its stored size at its stored place.
bool DesktopProgram::Calibrate() {
    const QRect board = places_[QStringLiteral("画板1")];
    if (board.isEmpty()) return false;
    const int column = window_origin_.x() + static_cast<int>((board.center().x()) * scale_);
    const int side = static_cast<int>(std::lround(board.height() * scale_));
    const QImage strip = Grab(QRect(column, window_origin_.y(), 1, 200 * static_cast<int>(scale_)));
    for (int y = 0; y + side < strip.height(); ++y) {
        if (strip.pixel(0, y) != qRgb(255, 255, 255)) continue;
        int run = 0;
        while (y + run < strip.height() && strip.pixel(0, y + run) == qRgb(255, 255, 255)) ++run;
        if (run == side) {
            const int client_y = window_origin_.y() + y - static_cast<int>(board.top() * scale_);
            client_origin_ = QPoint(window_origin_.x(), client_y);
            return true;
        }
        y += run;
    }
    return false;
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

QRect DesktopProgram::window_rect() const {
    return QRect(window_origin_,
                 QSize(static_cast<int>(1000 * scale_), static_cast<int>(640 * scale_)));
}

QPoint DesktopProgram::ClientPoint(int x, int y) const {
    return client_origin_ + QPoint(static_cast<int>(std::floor(x * scale_)),
                                   static_cast<int>(std::floor(y * scale_)));
}

QRect DesktopProgram::Place(const char* control) const {
    const auto it = places_.find(QString::fromUtf8(control));
    if (it == places_.end()) return {};
    const QRect r = it->second;
    return QRect(ClientPoint(r.left(), r.top()), QSize(static_cast<int>(r.width() * scale_),
                                                       static_cast<int>(r.height() * scale_)));
}

void DesktopProgram::Sync() const {
    XSync(xdo_->xdpy, False);
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
        if (settle) WaitIdle();
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
// is given the character's keysym, the program is left time to take in the new map, and the
// key is pressed.
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
    std::this_thread::sleep_for(150ms);
    XTestFakeKeyEvent(d, static_cast<unsigned>(spare_keycode_), True, CurrentTime);
    XTestFakeKeyEvent(d, static_cast<unsigned>(spare_keycode_), False, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_for(20ms);
}

void DesktopProgram::Keys(const char* sequence) {
    xdo_send_keysequence_window(xdo_, CURRENTWINDOW, sequence, kKeyDelayUs);
    Sync();
}

void DesktopProgram::Retype(const char* control, std::string_view utf8) {
    Click(control);
    WaitIdle();
    Keys("ctrl+a");
    Type(utf8);
    WaitIdle();
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

void DesktopProgram::OfferOnClipboard(const std::string& text) {
    const std::string file = folder_ + "/offered.txt";
    std::ofstream(file, std::ios::binary) << text;
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = x_.name();
    // In the foreground: the owner is a child of the test, ended with it.
    clipboard_owner_ = Child({"xclip", "-quiet", "-selection", "clipboard", "-i", file}, env);
    WaitUntil([&] { return Clipboard() == text; }, 5s);
}

std::optional<QRect> DesktopProgram::WindowRect(WindowKind kind) const {
    const unsigned long w = FindWindow(kind);
    XWindowAttributes a{};
    if (w == 0 || !XGetWindowAttributes(x_.display(), w, &a)) return std::nullopt;
    return QRect(a.x, a.y, a.width, a.height);
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

uint64_t DesktopProgram::CpuTicks() const {
    std::ifstream in("/proc/" + std::to_string(child_.pid()) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    uint64_t ticks = 0;
    // After the name: state is field 3; user and system time are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::strtoull(field.c_str(), nullptr, 10);
    }
    return ticks;
}

bool DesktopProgram::WaitIdle(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    uint64_t last = CpuTicks();
    int quiet = 0;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        if (!child_.running()) return false;
        const uint64_t now = CpuTicks();
        quiet = now - last <= 1 ? quiet + 1 : 0;
        last = now;
        if (quiet >= 3) return true;
    }
    return false;
}

bool DesktopProgram::WaitUntil(const std::function<bool()>& condition,
                               std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

void DesktopProgram::Close() {
    Display* d = x_.display();
    const unsigned long window = FindWindow(WindowKind::kMain);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
    XSync(d, False);
}

void DesktopProgram::ChooseMenu(int entry, int item) {
    // The menu bar is the band between the window's top and its client area; its entries are
    // the captions shown there, left to right.
    const QRect bar(window_origin_,
                    QPoint(window_origin_.x() + window_rect().width() - 1, client_origin_.y() - 1));
    const QImage band = Grab(bar);
    std::vector<std::pair<int, int>> captions = Runs(
        band.width(), [&](int x) { return ColumnHasInk(band, x); }, static_cast<int>(8 * scale_));
    if (entry < 0 || entry >= static_cast<int>(captions.size())) return;
    const auto [first, last] = captions[static_cast<size_t>(entry)];
    Click(QPoint(bar.left() + (first + last) / 2, bar.center().y()));
    WaitUntil([&] { return Popup().has_value(); }, 5s);
    WaitIdle();
    ChoosePopupItem(item);
}

void DesktopProgram::ChoosePopupItem(int item) {
    const std::optional<QRect> popup = Popup();
    if (!popup) return;
    const QImage shown = Grab(*popup);
    // Each item is one line of caption; the lines are told apart by the blank rows between.
    const QImage inside = shown.copy(shown.rect().adjusted(3, 3, -3, -3));
    const auto lines = InkRows(inside);
    if (item < 0 || item >= static_cast<int>(lines.size())) return;
    const auto [top, bottom] = lines[static_cast<size_t>(item)];
    Click(QPoint(popup->center().x(), popup->top() + 3 + (top + bottom) / 2));
    WaitIdle();
}

bool DesktopProgram::AnswerFileDialog(const std::string& path) {
    if (!WaitUntil([&] { return Dialog().has_value(); }, 10s)) return false;
    WaitIdle();
    Keys("ctrl+a");
    Type(path);
    Keys("Return");
    const bool answered = WaitUntil([&] { return !Dialog().has_value(); }, 10s);
    WaitIdle();  // what the program does with the answer (a load, a save) is done
    return answered;
}

bool DesktopProgram::CancelFileDialog() {
    if (!WaitUntil([&] { return Dialog().has_value(); }, 10s)) return false;
    WaitIdle();
    Keys("Escape");
    const bool cancelled = WaitUntil([&] { return !Dialog().has_value(); }, 10s);
    WaitIdle();
    return cancelled;
}

}  // namespace quorix::testing
