// The core runtime: hosts one running program. It loads the image into program memory,
// fills the runtime entry table, runs the start routine, builds the window, runs the
// message loop and calls the program's routines for bound events.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/krnln/colour_lookahead.h"
#include "host/krnln/image_loading.h"
#include "host/krnln/program_memory.h"
#include "host/krnln/runtime_hooks.h"
#include "host/krnln/unit_table.h"
#include "runtime/abi.h"

class QEventLoop;

namespace quorix::host {

class History;
class StartWindow;
class UnitHost;

// While a routine runs, what it changes on screen is shown at most this often. Events run
// more often (every pump); each repaint costs the window a flush, which on a display without
// a graphics card is drawn in software and dwarfs the routine's own work per pump.
constexpr qint64 kBusyRepaintIntervalMs = 40;

// Something that keeps widget updates back while the program runs and shows them when the
// runtime lets events through (list rows, appended text, progress).
class Deferred {
public:
    // `busy_interval_ms`: while a routine runs, flush at most this often (0: at every pump).
    // Showing a big change costs the view a new layout; a few times a second is enough.
    explicit Deferred(qint64 busy_interval_ms = 0) : busy_interval_ms_(busy_interval_ms) {}
    virtual ~Deferred() = default;
    virtual void Flush() = 0;
    bool queued_for_flush = false;

private:
    friend class Runtime;
    qint64 busy_interval_ms_;
    QElapsedTimer since_flush_;
};

class QX_EXPORT Runtime {
public:
    Runtime();
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // The running program, or null between programs.
    static Runtime* Current() { return current_; }

    // Validates and runs the image; returns when the program has ended. 0 after a normal run.
    int Run(std::span<const uint8_t> image);

    ProgramMemory& memory() { return memory_; }
    const QxHostContext& context() const { return context_; }
    const LoadedImage& image() const { return image_; }
    // The program file's resources (runtime/resources.h); empty when it has none.
    std::span<const uint8_t> resources() const { return resources_; }
    StartWindow* window() const { return window_.get(); }
    // The history behind undo and redo (history.h).
    History& history();

    // Runs the routine whose record is at `code_offset` with 32-bit arguments.
    void CallRoutine(uint32_t code_offset, std::initializer_list<int32_t> args);
    int routine_depth() const { return depth_; }
    // How many routines have been called from the message loop so far (nested calls, made
    // while a routine lets events through, are not counted).
    uint64_t routine_runs() const { return routine_runs_; }
    bool ending() const { return ending_; }

    // Lets pending events run when the pump is due. Returns true once the program is ending.
    bool DoEvents() {
        if (!ending_ && pump_due_.load(std::memory_order_relaxed)) Pump();
        return ending_;
    }
    // Called per pixel by what a step changes: queued once, then a test of one flag.
    void MarkDeferred(Deferred* d) {
        if (!d->queued_for_flush) [[unlikely]]
            QueueForFlush(d);
    }
    void ForgetDeferred(Deferred* d);
    void FlushDeferred();

    // The colour list a pixel scan looks its colours up in, when it is large enough to gain
    // from hearing of them early (colour_lookahead.h); null otherwise.
    ColourLookahead* colour_lookahead() const { return colour_lookahead_; }
    void set_colour_lookahead(ColourLookahead* l) { colour_lookahead_ = l; }
    void ForgetColourLookahead(const ColourLookahead* l) {
        if (colour_lookahead_ == l) colour_lookahead_ = nullptr;
    }

    // Services behind the entry-table slots.
    void OpenStartWindow(uint32_t window_id);
    void RunMessageLoop();
    void EndProgram();
    void RegisterShutdown(QxAddr routine_address);
    // The window was closed by the user.
    void WindowClosed();

    // The unit of the open window with this ID (and type); null when there is none.
    UnitHost* FindUnit(uint32_t window_id, uint32_t unit_id, uint32_t type) const {
        return units_ != nullptr ? units_->Find(window_id, unit_id, type) : nullptr;
    }
    UnitHost* FindUnit(uint32_t window_id, uint32_t unit_id) const {
        return units_ != nullptr ? units_->Find(window_id, unit_id) : nullptr;
    }
    // Raises event `index` of the control named `name` (as its widget would). False when the
    // control does not exist or binds nothing to the event.
    bool RaiseEvent(const QString& name, int32_t index, std::initializer_list<int32_t> args = {});
    // A property of the control named `name` as the program reads it: a text property decoded,
    // an integer property as its decimal text. Empty when there is no such control.
    QString ReadProperty(const QString& name, uint32_t property, int32_t member = -1);

    // Sets the hooks of the running runtime (runtime_hooks.h), which may want a pump at once.
    friend void SetRuntimeHooks(RuntimeHooks hooks);

private:
    [[gnu::noinline]] void QueueForFlush(Deferred* d);
    void RunShutdownOnce();
    void RunUncounted(uint32_t code_offset);
    void Pump();
    void StartPumpClock();
    void StopPumpClock();

    static Runtime* current_;

    ProgramMemory memory_;
    LoadedImage image_;
    QxHostContext context_{};
    QxRunRoutineFn routine_entry_ = nullptr;
    std::span<const uint8_t> resources_;
    std::unique_ptr<StartWindow> window_;
    std::unique_ptr<History> history_;
    const UnitTable* units_ = nullptr;  // the window's, while it is open
    QEventLoop* loop_ = nullptr;
    int depth_ = 0;
    uint64_t routine_runs_ = 0;
    bool ending_ = false;
    bool loop_running_ = false;
    bool loop_finished_ = false;
    QxAddr shutdown_routine_ = 0;
    bool shutdown_done_ = false;
    std::vector<Deferred*> deferred_;
    ColourLookahead* colour_lookahead_ = nullptr;

    // The pump clock: a thread that raises `pump_due_` every few milliseconds, so that the
    // per-pixel check costs one relaxed load.
    std::atomic<bool> pump_due_{false};
    std::atomic<bool> clock_running_{false};
    std::thread clock_;
};

}  // namespace quorix::host
