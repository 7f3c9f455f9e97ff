#pragma once

#include <functional>
#include <thread>

#include "host/core/SerialJobQueue.h"

// Runs functions in the background, off the caller's thread: one background thread per runner,
// jobs in the order given (so background saves of one cache never overtake each other).
//
// Threads: Run may be called from any thread, including from a job. WaitForDone and the
// destructor must not be called from a job; the destructor waits until every queued job ran.
class ConcurrentRunner {
public:
    ConcurrentRunner() = default;
    ~ConcurrentRunner();
    ConcurrentRunner(const ConcurrentRunner&) = delete;
    ConcurrentRunner& operator=(const ConcurrentRunner&) = delete;

    void Run(std::function<void()> job);
    void WaitForDone();
    std::thread::id BackgroundThreadId() const { return queue_.ThreadId(); }

private:
    SerialJobQueue queue_;
};
