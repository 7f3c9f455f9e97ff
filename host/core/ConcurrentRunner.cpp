#include "host/core/ConcurrentRunner.h"

ConcurrentRunner::~ConcurrentRunner() {
    queue_.Stop(true);
}

void ConcurrentRunner::Run(std::function<void()> job) {
    queue_.Post(std::move(job));
}

void ConcurrentRunner::WaitForDone() {
    queue_.WaitForIdle();
}
