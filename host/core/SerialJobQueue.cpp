#include "host/core/SerialJobQueue.h"

#include <QDebug>
#include <exception>

SerialJobQueue::SerialJobQueue() : thread_([this] { Loop(); }) {}

SerialJobQueue::~SerialJobQueue() {
    Stop(false);
}

bool SerialJobQueue::Post(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || !job) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void SerialJobQueue::WaitForIdle() {
    if (IsQueueThread()) {
        qWarning().noquote() << "core"
                             << "{:SEPARATOR}"
                             << "WaitForIdle called from its own job";
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void SerialJobQueue::Stop(bool drain) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
        drain_ = drain;
        if (!drain) {
            jobs_.clear();
        }
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool SerialJobQueue::IsStopping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void SerialJobQueue::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty() || (stopping_ && !drain_)) {
            jobs_.clear();
            idle_.notify_all();
            return;  // only reached while stopping
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        RunGuarded(job);
        job = nullptr;  // release captures outside the lock, before reporting idle
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) {
            idle_.notify_all();
        }
    }
}

void SerialJobQueue::RunGuarded(const std::function<void()>& job) {
    try {
        job();
    } catch (const std::exception& e) {
        qWarning().noquote() << "core"
                             << "{:SEPARATOR}"
                             << "background job threw:" << e.what();
    } catch (...) {
        qWarning().noquote() << "core"
                             << "{:SEPARATOR}"
                             << "background job threw";
    }
}
