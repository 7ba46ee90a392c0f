// A private X server for one test, and the child processes a test starts on it.
//
// Each XServer is its own Xvfb: the server picks a free display number itself (-displayfd), and
// the test ends it by its process id, so tests never share a display or kill another's. Like a
// desktop session, it comes with a session bus of its own (a dbus-daemon ended with it), which
// the programs started on it use: without one, a program would have libdbus launch a bus for
// the display that outlives the test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Xlib's connection to a display (its Display), declared so that this header needs no Xlib.
struct _XDisplay;

namespace quorix::testing {

using Environment = std::map<std::string, std::string>;

// This process's environment, as a map to change before starting a child.
Environment CurrentEnvironment();

// A started child process. Ends it (SIGKILL) if it is still running when destroyed.
class Child {
public:
    Child() = default;
    Child(const std::vector<std::string>& argv, const Environment& env,
          const std::string& log_path = {});
    // Takes over a child already started.
    explicit Child(pid_t pid);
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    ~Child();

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status once the child has ended within `timeout`, else nullopt. A child killed
    // by a signal reports 128 + the signal.
    [[nodiscard]] std::optional<int> Wait(std::chrono::milliseconds timeout);
    // Asks the child to end (SIGTERM) and kills it when it has not within `grace`.
    void Terminate(std::chrono::milliseconds grace);
    void Kill();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a command to its end and returns what it wrote to standard output, or nullopt when it
// failed or did not end within `timeout`.
std::optional<std::string> RunCapture(const std::vector<std::string>& argv, const Environment& env,
                                      std::chrono::milliseconds timeout);

class XServer {
public:
    explicit XServer(int width = 1280, int height = 800);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ok() const { return display_ != nullptr && !session_bus_.empty(); }
    const std::string& name() const { return name_; }  // ":N"
    _XDisplay* display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }
    pid_t pid() const { return server_.pid(); }
    // The address of the session's bus, for DBUS_SESSION_BUS_ADDRESS.
    const std::string& session_bus() const { return session_bus_; }

private:
    Child server_;
    Child bus_;
    std::string session_bus_;
    std::string name_;
    _XDisplay* display_ = nullptr;
    int width_, height_;
};

}  // namespace quorix::testing
