#include "host/core/ThreadHelper.h"

ThreadHelper::ThreadHelper(int /*threads*/) {
    // One thread whatever the count: jobs must run strictly in the order queued.
}

ThreadHelper::~ThreadHelper() {
    queue_.Stop(false);
}

void ThreadHelper::RunOnWorkThread(std::function<void()> job) {
    queue_.Post(std::move(job));
}

void ThreadHelper::WaitForIdle() {
    queue_.WaitForIdle();
}
