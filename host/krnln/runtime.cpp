#include "host/krnln/runtime.h"

#include <dlfcn.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "host/krnln/fatal_error.h"
#include "host/krnln/history.h"
#include "host/krnln/program_texts.h"
#include "host/krnln/services.h"
#include "host/krnln/start_window.h"
#include "host/krnln/text_codec.h"
#include "host/krnln/unit_host.h"
#include "runtime/commands.h"
#include "runtime/resources.h"

namespace quorix::host {
namespace {

// Events are let through at most this often while a routine runs: often enough that a click
// on the stop button lands and the progress bar repaints smoothly, rarely enough that the
// per-pixel cost stays a single load.
constexpr std::chrono::milliseconds kPumpInterval{8};

}  // namespace

Runtime::Runtime() = default;

History& Runtime::history() {
    if (!history_) history_ = std::make_unique<History>(*this);
    return *history_;
}

Runtime::~Runtime() {
    StopPumpClock();
    if (current_ == this) current_ = nullptr;
}

Runtime* Runtime::current_ = nullptr;

namespace {

RuntimeHooks& Hooks() {
    static RuntimeHooks hooks;
    return hooks;
}

}  // namespace

void SetRuntimeHooks(RuntimeHooks hooks) {
    Hooks() = std::move(hooks);
    if (Runtime::current_ != nullptr && Hooks().pump_every_call) {
        Runtime::current_->pump_due_.store(true, std::memory_order_relaxed);
    }
}
const RuntimeHooks& GetRuntimeHooks() {
    return Hooks();
}

int Runtime::Run(std::span<const uint8_t> bytes) {
    if (!memory_.valid()) {
        std::fprintf(stderr, "krnln: cannot reserve program memory\n");
        return 2;
    }
    if (const image::Result<void> loaded = LoadImage(bytes, memory_, image_); !loaded) {
        std::fprintf(stderr, "krnln: the program image is invalid: %s (image offset 0x%x)\n",
                     loaded.error().message.c_str(), loaded.error().offset);
        return 3;
    }
    void* self = dlopen(nullptr, RTLD_NOW);
    routine_entry_ =
        self ? reinterpret_cast<QxRunRoutineFn>(dlsym(self, QX_RUN_ROUTINE_NAME)) : nullptr;
    if (routine_entry_ == nullptr) {
        std::fprintf(stderr, "krnln: the program exports no %s entry\n", QX_RUN_ROUTINE_NAME);
        return 4;
    }
    const auto* block = static_cast<const uint8_t*>(dlsym(self, QX_RESOURCES_NAME));
    const auto* block_size = static_cast<const uint32_t*>(dlsym(self, QX_RESOURCES_SIZE_NAME));
    if (block != nullptr && block_size != nullptr) resources_ = {block, *block_size};

    context_.struct_size = sizeof(QxHostContext);
    context_.memory_base = memory_.base();
    context_.memory_end = memory_.end_pointer();
    context_.const_addr = image_.const_addr;
    context_.form_addr = image_.form_addr;
    context_.help_addr = image_.help_addr;
    context_.code_addr = image_.code_addr;
    context_.var_addr = image_.var_addr;
    context_.code_size = image_.code_size;
    FillEntryTable(context_.entry_table);

    if (QApplication::instance() == nullptr) {
        std::fprintf(stderr, "krnln: no application object\n");
        return 5;
    }
    current_ = this;
    StartPumpClock();
    // The start routine runs the message loop; handlers called from it count as the routines
    // that are running, it does not.
    RunUncounted(image_.entry_code_offset);
    RunShutdownOnce();
    StopPumpClock();
    if (const RuntimeHooks& hooks = Hooks(); hooks.on_ended) hooks.on_ended(*this);
    units_ = nullptr;
    history_.reset();
    window_.reset();
    current_ = nullptr;
    return 0;
}

void Runtime::CallRoutine(uint32_t code_offset, std::initializer_list<int32_t> args) {
    int32_t values[8] = {};
    uint32_t count = 0;
    for (int32_t v : args) {
        if (count < std::size(values)) values[count++] = v;
    }
    if (depth_ == 0) ++routine_runs_;
    ++depth_;
    const int32_t result = routine_entry_(code_offset, values, count, &context_);
    --depth_;
    if (result == QX_ROUTINE_FAILED) EndOnFatalError("a routine of the program", "it failed");
    if (depth_ == 0) {
        FlushDeferred();
        ForgetProgramTexts();
    }
}

void Runtime::RunUncounted(uint32_t code_offset) {
    const int32_t result = routine_entry_(code_offset, nullptr, 0, &context_);
    if (result == QX_ROUTINE_FAILED) EndOnFatalError("a routine of the program", "it failed");
    FlushDeferred();
    ForgetProgramTexts();
}

void Runtime::Pump() {
    const RuntimeHooks& hooks = Hooks();
    // A test that watches every pump keeps the pump due.
    pump_due_.store(hooks.pump_every_call, std::memory_order_relaxed);
    FlushDeferred();
    if (hooks.on_pump) hooks.on_pump();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (hooks.on_pump_done) hooks.on_pump_done();
}

void Runtime::QueueForFlush(Deferred* d) {
    d->queued_for_flush = true;
    deferred_.push_back(d);
}

void Runtime::ForgetDeferred(Deferred* d) {
    deferred_.erase(std::remove(deferred_.begin(), deferred_.end(), d), deferred_.end());
    d->queued_for_flush = false;
}

void Runtime::FlushDeferred() {
    std::vector<Deferred*> pending;
    pending.swap(deferred_);
    for (Deferred* d : pending) {
        d->queued_for_flush = false;
        if (depth_ > 0 && d->busy_interval_ms_ > 0 && d->since_flush_.isValid() &&
            d->since_flush_.elapsed() < d->busy_interval_ms_) {
            MarkDeferred(d);
            continue;
        }
        d->Flush();
        d->since_flush_.start();
    }
}

void Runtime::StartPumpClock() {
    clock_running_ = true;
    clock_ = std::thread([this] {
        while (clock_running_.load(std::memory_order_relaxed)) {
            std::this_thread::sleep_for(kPumpInterval);
            pump_due_.store(true, std::memory_order_relaxed);
        }
    });
}

void Runtime::StopPumpClock() {
    if (!clock_running_) return;
    clock_running_ = false;
    if (clock_.joinable()) clock_.join();
}

void Runtime::OpenStartWindow(uint32_t window_id) {
    if (window_ || window_id != image_.form.window_id) return;
    window_ = std::make_unique<StartWindow>(*this, image_.form, image_.settings);
    units_ = &window_->units();
    window_->Show();
    // The creation event runs once, before any user event.
    window_->RaiseCreated();
}

void Runtime::RunMessageLoop() {
    if (!window_ || loop_finished_ || ending_) return;
    QEventLoop loop;
    loop_ = &loop;
    loop_running_ = true;
    if (Hooks().on_loop_started) {
        QTimer::singleShot(0, &loop, [] {
            if (const RuntimeHooks& hooks = Hooks(); hooks.on_loop_started) {
                hooks.on_loop_started();
            }
        });
    }
    loop.exec();
    loop_running_ = false;
    loop_finished_ = true;
    loop_ = nullptr;
}

void Runtime::WindowClosed() {
    // Closing while a routine runs (a step letting events through) ends the program: the
    // routine sees it at its next DoEvents and unwinds, then the message loop returns.
    if (depth_ > 0) ending_ = true;
    if (loop_ != nullptr) loop_->quit();
    loop_finished_ = true;
}

void Runtime::EndProgram() {
    ending_ = true;
    RunShutdownOnce();
}

void Runtime::RegisterShutdown(QxAddr routine_address) {
    if (routine_address < image_.code_addr) return;
    const uint32_t offset = routine_address - image_.code_addr;
    if (IsRoutineRecord(memory_, image_, offset)) shutdown_routine_ = routine_address;
}

void Runtime::RunShutdownOnce() {
    if (shutdown_done_) return;
    shutdown_done_ = true;
    if (shutdown_routine_ != 0) RunUncounted(shutdown_routine_ - image_.code_addr);
}

bool Runtime::RaiseEvent(const QString& name, int32_t index, std::initializer_list<int32_t> args) {
    UnitHost* unit = window_ ? window_->FindByName(name) : nullptr;
    return unit != nullptr && unit->Raise(index, args);
}

QString Runtime::ReadProperty(const QString& name, uint32_t property, int32_t member) {
    UnitHost* unit = window_ ? window_->FindByName(name) : nullptr;
    if (unit == nullptr) return {};
    const uint32_t value = unit->ReadProperty(property, member);
    switch (property) {
        case abi::kPropCaption:
        case abi::kPropText:
        case abi::kPropAddress:
        case abi::kPropTitle:
        case abi::kPropFileName:
        case abi::kPropFilter:
        case abi::kPropDefaultExt: {
            const QString text = FromProgramText(memory_.Text(value));
            memory_.Free(value);
            return text;
        }
        default:
            return QString::number(static_cast<int32_t>(value));
    }
}

}  // namespace quorix::host
