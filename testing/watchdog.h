// A watchdog against a hang, for a test that waits on work it cannot interrupt (a click whose
// handler runs to its end before the click returns).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace quorix::testing {

// While it lives, a thread watches the clock: when `limit` passes first, it says on standard
// error that the watchdog fired and what it was watching, and aborts the test process. Limits
// are generous (30 s or more): it tells a hang from slow work, it does not time the work.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : what_(std::move(what)), thread_([this, limit] { Watch(limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        woken_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void Watch(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        if (woken_.wait_for(lock, limit, [this] { return done_; })) return;
        std::fprintf(stderr, "watchdog: %s had not ended after %lld s: taken for a hang\n",
                     what_.c_str(), static_cast<long long>(limit.count()));
        std::abort();
    }

    std::string what_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool done_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};

}  // namespace quorix::testing
