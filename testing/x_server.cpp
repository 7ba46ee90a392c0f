#include "testing/x_server.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace quorix::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Where a child finds a spare descriptor to write to (Xvfb's -displayfd).
constexpr int kChildReportFd = 3;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> EnvStrings(const Environment& env) {
    std::vector<std::string> strings;
    for (const auto& [key, value] : env) strings.push_back(key + "=" + value);
    return strings;
}

// Starts `argv` with `env`; `out_fd` (or /dev/null) becomes standard output and error,
// `report_fd` (if not -1) descriptor 3. The child leads a process group of its own, so that the
// processes it starts end with it, and it is killed should the test process die first. Returns
// the pid, or -1.
pid_t Spawn(std::vector<std::string> argv, const Environment& env, int out_fd, int report_fd) {
    std::vector<std::string> env_strings = EnvStrings(env);
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp = Pointers(env_strings);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;  // the parent, or -1
    // In the child: only async-signal-safe calls until exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the test process is already gone
    setpgid(0, 0);
    const int null_in = open("/dev/null", O_RDONLY);
    const int out = out_fd >= 0 ? out_fd : open("/dev/null", O_WRONLY);
    if (report_fd == kChildReportFd) {
        fcntl(report_fd, F_SETFD, 0);  // dup2 onto itself would keep close-on-exec
    } else if (report_fd >= 0) {
        dup2(report_fd, kChildReportFd);
    }
    dup2(null_in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
}

// Windows come and go while a test looks at them: a request about a window that has just gone
// fails, and that is no reason to end the test.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

int StatusOf(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

Environment CurrentEnvironment() {
    Environment env;
    for (char** e = environ; *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq != nullptr) env[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
    }
    return env;
}

Child::Child(const std::vector<std::string>& argv, const Environment& env,
             const std::string& log_path) {
    int out = -1;
    if (!log_path.empty()) out = open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_ = Spawn(argv, env, out, -1);
    if (out >= 0) close(out);
}

Child::Child(pid_t pid) : pid_(pid) {}

Child::Child(Child&& other) noexcept {
    *this = std::move(other);
}

Child& Child::operator=(Child&& other) noexcept {
    std::swap(pid_, other.pid_);
    std::swap(status_, other.status_);
    return *this;
}

Child::~Child() {
    Kill();
}

bool Child::running() {
    return pid_ > 0 && !Wait(std::chrono::milliseconds(0));
}

std::optional<int> Child::Wait(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0) return status_;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int raw = 0;
        const pid_t r = waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = StatusOf(raw);
            // Whatever the child left behind in its group (helper processes) ends with it.
            kill(-pid_, SIGKILL);
            return status_;
        }
        if (r < 0) return std::nullopt;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Child::Terminate(std::chrono::milliseconds grace) {
    if (pid_ <= 0 || status_) return;
    kill(pid_, SIGTERM);
    if (!Wait(grace)) Kill();
}

void Child::Kill() {
    if (pid_ <= 0 || status_) return;
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    // Nothing survives SIGKILL; only a child stuck in the kernel takes longer to be reaped,
    // and then the destructor cannot do more.
    static_cast<void>(Wait(std::chrono::seconds(10)));
}

std::optional<std::string> RunCapture(const std::vector<std::string>& argv, const Environment& env,
                                      std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    Child child(Spawn(argv, env, fds[1], -1));
    close(fds[1]);
    if (child.pid() < 0) {
        close(fds[0]);
        return std::nullopt;
    }
    std::string out;
    const auto deadline = Clock::now() + timeout;
    char buffer[65536];
    bool at_end = false;
    while (!at_end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            at_end = true;
        } else {
            out.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fds[0]);
    if (!at_end) return std::nullopt;  // the child is killed as it goes out of scope
    const std::optional<int> status = child.Wait(timeout);
    if (!status || *status != 0) return std::nullopt;
    return out;
}

namespace {

// Starts `argv` as `child`; the program writes one line to descriptor 3 once it is ready
// (Xvfb its display number, dbus-daemon its address). Returns that line, or an empty text when
// the program could not start or said nothing within 10 s.
std::string StartReporting(Child& child, std::vector<std::string> argv) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    child = Child(Spawn(std::move(argv), CurrentEnvironment(), -1, fds[1]));
    close(fds[1]);
    std::string line;
    char c;
    pollfd p{fds[0], POLLIN, 0};
    while (child.pid() > 0 && poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(fds[0]);
    return line;
}

}  // namespace

XServer::XServer(int width, int height) : width_(width), height_(height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string number =
        StartReporting(server_, {"Xvfb", "-displayfd", std::to_string(kChildReportFd), "-screen",
                                 "0", screen, "-nolisten", "tcp", "-noreset"});
    if (number.empty()) return;
    name_ = ":" + number;
    // The session's bus, in the foreground: it ends when the test ends it, and the services it
    // starts on demand are in its process group and end with it.
    session_bus_ = StartReporting(bus_, {"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                         "--print-address=" + std::to_string(kChildReportFd)});
    XSetErrorHandler(IgnoreXError);
    display_ = XOpenDisplay(name_.c_str());
}

XServer::~XServer() {
    if (display_ != nullptr) XCloseDisplay(display_);
    // Asked to end, the server removes its lock file and socket, and the bus its socket.
    server_.Terminate(std::chrono::seconds(5));
    bus_.Terminate(std::chrono::seconds(5));
}

}  // namespace quorix::testing
