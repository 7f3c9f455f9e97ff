#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// Paces the traffic threads of a stress run by the host's progress instead of by sleeps: the
// host counts the intents it dispatched, the others wait for "n more intents" (bounded), and
// everyone sees when the run stops.
// Threads: any thread; one mutex and one condition.
class StressProgress {
public:
    void Advance() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }
    bool Stopped() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopped_;
    }
    // Waits until the count reaches target, the run stops or the timeout passes; the count.
    long WaitFor(long target, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return stopped_ || count_ >= target; });
        return count_;
    }
    long Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    long count_ = 0;
    bool stopped_ = false;
};
