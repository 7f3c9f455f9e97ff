#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A FIFO of jobs run one at a time, in the order queued, on one owned std::thread.
// The building block of ThreadHelper and ConcurrentRunner.
//
// Threads: Post, WaitForIdle and Stop may be called from any thread except the queue's own
// (a job waiting for its own queue would never return); mutex_ guards jobs_, busy_ and stopping_.
// A job that throws is logged and the queue goes on.
class SerialJobQueue {
public:
    SerialJobQueue();
    ~SerialJobQueue();  // Stop(false)
    SerialJobQueue(const SerialJobQueue&) = delete;
    SerialJobQueue& operator=(const SerialJobQueue&) = delete;

    // Queues a job; after Stop began the job is dropped and false is returned.
    bool Post(std::function<void()> job);
    // Blocks until no job is queued or running.
    void WaitForIdle();
    // Finishes the running job, then runs (drain) or drops the queued ones, and joins the thread.
    // Idempotent.
    void Stop(bool drain);
    bool IsStopping() const;
    bool IsQueueThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    std::thread::id ThreadId() const { return thread_.get_id(); }

private:
    void Loop();
    static void RunGuarded(const std::function<void()>& job);

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // a job arrived or stopping began
    std::condition_variable idle_;  // the queue became empty with no job running
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    bool drain_ = false;
    std::thread thread_;
};
