#pragma once

#include <QThread>

#include <pthread.h>

#include <atomic>

// The response cache's lock: recursive (a loader's Put runs inside the cache's Get) and built for
// a lock that is almost never contended, since every call uses its cache under its own call lock.
// Taking it is one atomic exchange and releasing it a plain store, where a mutex pays two atomic
// operations, which cost as much as the cache's whole lookup. A thread that does find it taken
// (a diagnostic reader, a loader reading a file meanwhile) spins briefly, then yields its turn.
// Threads: any; lock and unlock on the same thread, as with a mutex.
class CacheLock {
public:
    void lock() {
        // The thread's id straight from the C library: Qt's wrapper is one more call, and the
        // lock is taken on every lookup.
        const pthread_t self = pthread_self();
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;  // this thread holds it already
            return;
        }
        for (int spins = 0; taken_.exchange(true, std::memory_order_acquire); ++spins) {
            if (spins >= kSpinsBeforeYield) {
                QThread::yieldCurrentThread();
            }
        }
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    void unlock() {
        if (--depth_ > 0) {
            return;
        }
        owner_.store(0, std::memory_order_relaxed);
        taken_.store(false, std::memory_order_release);
    }

private:
    static constexpr int kSpinsBeforeYield = 64;

    std::atomic<bool> taken_{false};
    std::atomic<pthread_t> owner_{0};  // 0: no thread (glibc ids are addresses)
    int depth_ = 0;                    // written only by the holder
};
