#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

// Turns a hang into a failure: unless destroyed within the limit, it prints what was running and
// aborts the process (a deadlocked stress test would otherwise block until CTest's timeout).
// Threads: constructed and destroyed on the test's thread; its own thread only waits.
class Watchdog {
public:
    Watchdog(std::string what, std::chrono::seconds limit) : what_(std::move(what)) {
        thread_ = std::thread([this, limit] { Watch(limit); });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void Watch(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_.wait_for(lock, limit, [this] { return done_; })) {
            return;
        }
        std::fprintf(stderr, "WATCHDOG: '%s' did not finish within %lld s: deadlock or livelock\n",
                     what_.c_str(), static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::abort();
    }

    const std::string what_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};
