#pragma once

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include <deque>
#include <memory>

#include "host/core/HandOffBatch.h"

// A bounded FIFO between producer threads (data sources delivering results) and a consumer
// (the client's task executor). Producers must never stall for long: Push waits at most its
// timeout for room and otherwise drops the item and counts the drop. A producer inside a
// HandOffBatch wakes the consumer once, when the batch closes, for everything it pushed.
// Threads: all operations are thread-safe (one mutex, two wait conditions).
template <typename T>
class BlockingQueue {
public:
    static constexpr int kDefaultPushTimeoutMs = 10;  // ms

    explicit BlockingQueue(int capacity)
        : capacity_(capacity < 1 ? 1 : capacity), wait_(std::make_shared<Waiting>()) {}

    BlockingQueue(const BlockingQueue&) = delete;
    BlockingQueue& operator=(const BlockingQueue&) = delete;

    // Appends `item`, waiting at most timeoutMs for room; false (and counted) when dropped.
    bool Push(const T& item, int timeoutMs = kDefaultPushTimeoutMs) {
        QMutexLocker lock(&wait_->mutex);
        // The clock is read only when the queue is full: a push with room reads no time. The
        // deadline, once set, is never "forever".
        QDeadlineTimer deadline(QDeadlineTimer::Forever);
        while (static_cast<int>(items_.size()) >= capacity_) {
            if (deadline.isForever()) {
                deadline.setRemainingTime(timeoutMs < 0 ? 0 : timeoutMs);
            }
            wait_->notEmpty.wakeAll();  // what a batch holds back must not keep the room taken
            if (deadline.hasExpired() || !not_full_.wait(&wait_->mutex, deadline)) {
                if (static_cast<int>(items_.size()) < capacity_) {
                    break;
                }
                ++dropped_;
                return false;
            }
        }
        items_.push_back(item);
        if (!HandOffBatch::Defer(wait_)) {
            wait_->notEmpty.wakeOne();
        }
        return true;
    }

    // Takes the oldest item, waiting at most timeoutMs for one; false when none came.
    bool Pop(T& item, int timeoutMs) {
        QMutexLocker lock(&wait_->mutex);
        QDeadlineTimer deadline(timeoutMs < 0 ? 0 : timeoutMs);
        while (items_.empty()) {
            if (deadline.hasExpired() || !wait_->notEmpty.wait(&wait_->mutex, deadline)) {
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
        QMutexLocker lock(&wait_->mutex);
        return static_cast<int>(items_.size());
    }
    int Capacity() const { return capacity_; }
    qint64 DroppedCount() const {
        QMutexLocker lock(&wait_->mutex);
        return dropped_;
    }
    void Clear() {
        QMutexLocker lock(&wait_->mutex);
        items_.clear();
        not_full_.wakeAll();
    }

private:
    // The consumer's side of the queue, shared with the batches that will wake it.
    struct Waiting : HandOffBatch::Consumer {
        void Wake() override {
            QMutexLocker lock(&mutex);
            notEmpty.wakeAll();
        }
        QMutex mutex;  // guards the queue's members too
        QWaitCondition notEmpty;
    };

    const int capacity_;
    const std::shared_ptr<Waiting> wait_;
    QWaitCondition not_full_;
    std::deque<T> items_;
    qint64 dropped_ = 0;
};
