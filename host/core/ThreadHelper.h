#pragma once

#include <functional>
#include <thread>

#include "host/core/SerialJobQueue.h"

// Owns one work thread; jobs queued with RunOnWorkThread run there one at a time in the order
// queued. The constructor's argument is the requested thread count: one thread is always used,
// because callers rely on the strict ordering of jobs.
//
// Threads: RunOnWorkThread may be called from any thread, including from a job. WaitForIdle and
// the destructor must not be called from a job. The destructor lets the running job finish,
// drops the jobs not started and joins the thread.
class ThreadHelper {
public:
    explicit ThreadHelper(int threads = 1);
    ~ThreadHelper();
    ThreadHelper(const ThreadHelper&) = delete;
    ThreadHelper& operator=(const ThreadHelper&) = delete;

    void RunOnWorkThread(std::function<void()> job);
    void WaitForIdle();
    bool IsStopping() const { return queue_.IsStopping(); }  // destruction has begun
    bool IsWorkThread() const { return queue_.IsQueueThread(); }
    std::thread::id WorkThreadId() const { return queue_.ThreadId(); }

private:
    SerialJobQueue queue_;
};
