#pragma once

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include <deque>

// A bounded FIFO between producer threads (data sources delivering results) and a consumer
// (the client's task executor). Producers must never stall for long: Push waits at most its
// timeout for room and otherwise drops the item and counts the drop.
// Threads: all operations are thread-safe (one mutex, two wait conditions).
template <typename T>
class BlockingQueue {
public:
    static constexpr int kDefaultPushTimeoutMs = 10;  // ms

    explicit BlockingQueue(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

    BlockingQueue(const BlockingQueue&) = delete;
    BlockingQueue& operator=(const BlockingQueue&) = delete;

    // Appends `item`, waiting at most timeoutMs for room; false (and counted) when dropped.
    bool Push(const T& item, int timeoutMs = kDefaultPushTimeoutMs) {
        QMutexLocker lock(&mutex_);
        QDeadlineTimer deadline(timeoutMs < 0 ? 0 : timeoutMs);
        while (static_cast<int>(items_.size()) >= capacity_) {
            if (deadline.hasExpired() || !not_full_.wait(&mutex_, deadline)) {
                if (static_cast<int>(items_.size()) < capacity_) {
                    break;
                }
                ++dropped_;
                return false;
            }
        }
        items_.push_back(item);
        not_empty_.wakeOne();
        return true;
    }

    // Takes the oldest item, waiting at most timeoutMs for one; false when none came.
    bool Pop(T& item, int timeoutMs) {
        QMutexLocker lock(&mutex_);
        QDeadlineTimer deadline(timeoutMs < 0 ? 0 : timeoutMs);
        while (items_.empty()) {
            if (deadline.hasExpired() || !not_empty_.wait(&mutex_, deadline)) {
                if (!items_.empty()) {
                    break;
                }
                return false;
            }
        }
        item = items_.front();
        items_.pop_front();
        not_full_.wakeOne();
        return true;
    }

    int Size() const {
        QMutexLocker lock(&mutex_);
        return static_cast<int>(items_.size());
    }
    int Capacity() const { return capacity_; }
    qint64 DroppedCount() const {
        QMutexLocker lock(&mutex_);
        return dropped_;
    }
    void Clear() {
        QMutexLocker lock(&mutex_);
        items_.clear();
        not_full_.wakeAll();
    }

private:
    const int capacity_;
    mutable QMutex mutex_;
    QWaitCondition not_full_;
    QWaitCondition not_empty_;
    std::deque<T> items_;
    qint64 dropped_ = 0;
};
