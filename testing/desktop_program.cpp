#include "testing/desktop_program.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <QStringDecoder>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

using namespace std::chrono_literals;
namespace {

// The tests' output reaches the log line by line: a test ended by its time limit shows how far
// it came.
[[maybe_unused]] const int kLineBuffered = std::setvbuf(stdout, nullptr, _IOLBF, 0);

using Clock = std::chrono::steady_clock;

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

}  // namespace

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
    // The session's own bus: with none named, libdbus would launch one for the display.
    env["DBUS_SESSION_BUS_ADDRESS"] = x_.session_bus();
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
    std::optional<QRect> shown;
    if (!WaitUntil([&] { return !child_.running() || (shown = WindowRect(WindowKind::kMain)); }) ||
        !shown) {
        return;
    }
    window_origin_ = shown->topLeft();
    shown_ = WaitIdle() && Calibrate();
    windows_shown_ = CountShownWindows();
}

DesktopProgram::~DesktopProgram() {
    child_.Terminate(2s);
    // A failed test shows what the program said (a sanitizer's report, a fatal error).
    if (::testing::Test::HasFailure()) {
        const std::string said = log();
        const size_t from = said.size() > 16000 ? said.size() - 16000 : 0;
        std::printf("---- the program's output (its last 16,000 bytes):\n%s\n---- end\n",
                    said.c_str() + from);
    }
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

namespace {

// The whole file; what could be read when it ends early (a /proc file of a thread that has
// just ended fails its read with ESRCH, which must not throw out of the harness).
std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The fields of a /proc stat line after the name (which may hold spaces and parentheses):
// the first is the state (field 3 of the line).
std::vector<std::string> StatFields(const std::string& stat) {
    std::vector<std::string> fields;
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return fields;
    std::istringstream in(stat.substr(close + 1));
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

// What the scheduler counted for one process: the processor time of all its threads, the time
// they spent ready to run but waiting for a processor (counted when the wait ends), and whether
// a thread that takes in events (the main thread, Qt's X reader thread; every thread of the
// X server) is running or waiting for a processor now.
struct SchedulerView {
    uint64_t cpu_ns = 0;
    uint64_t waited_ns = 0;
    bool events_runnable = false;
};

SchedulerView ViewOf(pid_t pid, bool every_thread_takes_events) {
    SchedulerView view;
    if (pid <= 0) return view;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        // schedstat: time on a processor, time waiting on a run queue, time slices.
        std::istringstream in(ReadAll(task.path() / "schedstat"));
        uint64_t on_cpu = 0, waited = 0;
        in >> on_cpu >> waited;
        view.cpu_ns += on_cpu;
        view.waited_ns += waited;
        const bool takes_events = every_thread_takes_events ||
                                  task.path().filename() == std::to_string(pid) ||
                                  ReadAll(task.path() / "comm") == "QXcbEventQueue\n";
        if (takes_events && !view.events_runnable) {
            const std::vector<std::string> fields = StatFields(ReadAll(task.path() / "stat"));
            view.events_runnable = !fields.empty() && fields[0] == "R";
        }
    }
    return view;
}

}  // namespace

// At rest, the program's threads together use at most a fifth of a processor (its timers and
// the helper threads of its libraries), no thread that takes in events (the program's or the
// X server's) is running or waiting for a processor, and all their threads together waited
// for a processor less than half the time: a starved program shows no processor time, but its
// threads wait on a run queue, which the scheduler counts. The helper threads of the web view
// wake often and, on a busy machine, wait a little each time: that alone does not count as work.
bool DesktopProgram::WaitIdle(std::chrono::milliseconds timeout) {
    if (watchdog_fired_) return false;
    const auto deadline = Clock::now() + timeout;
    // What the test sent has reached the server, and the server has passed it on.
    Sync();
    XSync(x_.display(), False);
    static const bool trace = std::getenv("QUORIX_TRACE_IDLE") != nullptr;
    constexpr uint64_t kWindowNs = 50'000'000;
    SchedulerView program = ViewOf(child_.pid(), false), server = ViewOf(x_.pid(), true);
    int quiet = 0;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(kWindowNs));
        if (!child_.running()) return false;
        const SchedulerView p = ViewOf(child_.pid(), false), s = ViewOf(x_.pid(), true);
        const uint64_t used = p.cpu_ns - program.cpu_ns;
        const uint64_t waited =
            (p.waited_ns - program.waited_ns) + (s.waited_ns - server.waited_ns);
        const bool at_rest = used <= kWindowNs / 5 && waited <= kWindowNs / 2 &&
                             !p.events_runnable && !s.events_runnable;
        if (trace) {
            std::fprintf(stderr, "idle? used %.1f ms, waited %.1f ms, runnable %d/%d: %s\n",
                         static_cast<double>(used) / 1e6, static_cast<double>(waited) / 1e6,
                         p.events_runnable, s.events_runnable, at_rest ? "quiet" : "busy");
        }
        quiet = at_rest ? quiet + 1 : 0;
        program = p;
        server = s;
        if (quiet >= 3) return true;
    }
    return Fire("the program did not come to rest", timeout);
}

bool DesktopProgram::Fire(const char* what, std::chrono::milliseconds timeout) {
    std::fprintf(stderr, "watchdog: %s within %lld s; the waits after this one fail at once\n",
                 what, static_cast<long long>(timeout.count() / 1000));
    watchdog_fired_ = true;
    return false;
}

bool DesktopProgram::WaitUntil(const std::function<bool()>& condition,
                               std::chrono::milliseconds timeout) {
    if (watchdog_fired_) return false;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return Fire("what the test waited for did not come", timeout);
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

bool DesktopProgram::ChooseMenu(int entry, int item) {
    // The menu bar is the band between the window's top and its client area; its entries are
    // the captions shown there, left to right.
    const QRect bar(window_origin_,
                    QPoint(window_origin_.x() + window_rect().width() - 1, client_origin_.y() - 1));
    const QImage band = Grab(bar);
    const auto captions = InkColumns(band, static_cast<int>(8 * scale_));
    if (entry < 0 || entry >= static_cast<int>(captions.size())) return false;
    const auto [first, last] = captions[static_cast<size_t>(entry)];
    Click(QPoint(bar.left() + (first + last) / 2, bar.center().y()));
    return WaitUntil([&] { return Popup().has_value(); }) && WaitIdle() && ChoosePopupItem(item);
}

bool DesktopProgram::ChoosePopupItem(int item) {
    const std::optional<QRect> popup = Popup();
    if (!popup) return false;
    const QImage shown = Grab(*popup);
    // Each item is one line of caption; the lines are told apart by the blank rows between.
    const QImage inside = shown.copy(shown.rect().adjusted(3, 3, -3, -3));
    const auto lines = InkRows(inside);
    if (item < 0 || item >= static_cast<int>(lines.size())) return false;
    const auto [top, bottom] = lines[static_cast<size_t>(item)];
    Click(QPoint(popup->center().x(), popup->top() + 3 + (top + bottom) / 2));
    return WaitIdle();
}

bool DesktopProgram::AnswerFileDialog(const std::string& path) {
    if (!WaitUntil([&] { return Dialog().has_value(); }) || !WaitIdle()) return false;
    Keys("ctrl+a");
    Type(path);
    Keys("Return");
    // Then what the program does with the answer (a load, a save) is done.
    return WaitUntil([&] { return !Dialog().has_value(); }) && WaitIdle();
}

bool DesktopProgram::CancelFileDialog() {
    if (!WaitUntil([&] { return Dialog().has_value(); }) || !WaitIdle()) return false;
    Keys("Escape");
    return WaitUntil([&] { return !Dialog().has_value(); }) && WaitIdle();
}

}  // namespace quorix::testing
