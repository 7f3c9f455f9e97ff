#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

#include "host/quoter/QuoteTaskExecMidResult.h"
#include "host/quoter/ResponsePkgEntity_12989.h"

// What watches a stress run: a watchdog against hangs, the pacing of the traffic threads and the
// ledger of what the host took from its mid-result queue.
namespace stress {

// Under ThreadSanitizer everything runs 5-15 times slower: the time limits stretch, the amount of
// work stays the same. AddressSanitizer slows the single-threaded fault runs down some 5 times:
// only the patience of the watchdog stretches.
#ifdef __has_feature  // clang; GCC defines __SANITIZE_*__
#define QZ_STRESS_HAS(feature) __has_feature(feature)
#else
#define QZ_STRESS_HAS(feature) 0
#endif
#if defined(__SANITIZE_THREAD__) || QZ_STRESS_HAS(thread_sanitizer)
constexpr int kSlowdown = 10;
#else
constexpr int kSlowdown = 1;
#endif
#if defined(__SANITIZE_ADDRESS__) || QZ_STRESS_HAS(address_sanitizer)
constexpr int kWatchdogSlowdown = 5;
#else
constexpr int kWatchdogSlowdown = kSlowdown;
#endif
constexpr std::chrono::seconds kWatchdogLimit(30 * kWatchdogSlowdown);  // before a hang is called
constexpr std::chrono::milliseconds kRunCap(4000 * kSlowdown);  // the longest a traffic loop runs

// Paces the traffic threads by the host's progress instead of by sleeps: the host counts the
// intents it dispatched, the others wait for "n more intents" (bounded), and everyone sees when
// the run stops.
// Threads: any thread; one mutex and one condition.
class Progress {
public:
    void Advance() { Change(1, false); }
    void Stop() { Change(0, true); }
    bool Stopped() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopped_;
    }
    long Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }
    // Waits until the count reaches target, the run stops or the timeout passes; the count.
    long WaitFor(long target, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return stopped_ || count_ >= target; });
        return count_;
    }

private:
    void Change(long step, bool stop) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            count_ += step;
            stopped_ = stopped_ || stop;
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    long count_ = 0;
    bool stopped_ = false;
};

// Turns a hang into a failure: unless destroyed within the limit, it prints what was running and
// aborts the process (a deadlocked stress test would otherwise block until CTest's timeout).
// Threads: constructed and destroyed on the test's thread; its own thread only waits.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = kWatchdogLimit)
        : what_(std::move(what)), limit_(limit), thread_([this] { Watch(); }) {}
    ~Watchdog() {
        done_.Stop();
        thread_.join();
    }

private:
    void Watch() {
        done_.WaitFor(std::numeric_limits<long>::max(), limit_);
        if (done_.Stopped()) {
            return;
        }
        std::fprintf(stderr, "WATCHDOG: '%s' did not finish within %lld s: deadlock or livelock\n",
                     what_.c_str(), static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        std::abort();
    }

    const std::string what_;
    const std::chrono::seconds limit_;
    Progress done_;       // stopped when the test is over
    std::thread thread_;  // last: starts once the members above exist
};

// What the host took from its mid-result queue, and the check that nothing arrives for a node
// after it was detached.
//
// Barriers: whoever sees a batch of nodes detached (the quoter's table no longer lists them, and
// the detach ran under the call locks that every delivery holds) adds a barrier for them and then
// pushes the barrier's marker into the same FIFO queue. Everything popped after the marker was
// pushed after the detach, so it must not name one of the batch's scope ids.
//
// Threads: any thread; one mutex guards everything. Take is meant for the one consumer.
class DeliveryLedger {
public:
    // A marker is a result with a negative scope id (real ids are positive) and no data.
    static QuoteTaskExecMidResult Marker(int barrier) {
        QuoteTaskExecMidResult marker;
        marker.scope_id = -barrier;
        return marker;
    }

    // Registers the detached ids; the barrier's number for Marker.
    int AddBarrier(const QList<int>& detached) {
        QList<int> ids;  // a block of its own, not shared with the caller's thread
        for (int id : detached) {
            ids.append(id);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        barriers_.append(ids);
        return barriers_.size();
    }

    // Consumes one popped result: a marker passes its barrier, anything else is a delivery.
    void Take(const QuoteTaskExecMidResult& result) {
        std::lock_guard<std::mutex> lock(mutex_);
        const int barrier = -result.scope_id;
        if (barrier > barriers_.size()) {
            AddViolationLocked(QStringLiteral("unknown barrier %1 popped").arg(barrier));
        } else if (barrier > 0) {
            for (int id : barriers_.at(barrier - 1)) {
                retired.insert(id);
            }
            ++passed;
        } else {
            ++delivered_;
            fast_delivered_ +=
                dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data()) ? 1 : 0;
            if (retired.contains(result.scope_id)) {
                AddViolationLocked(
                    QStringLiteral("scope id %1 delivered after its detach").arg(result.scope_id));
            }
        }
    }

    int DeliveryCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return delivered_;
    }
    int FastQuoteCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return fast_delivered_;
    }

    // Read without the lock only once every thread that used the ledger was joined.
    QStringList violations;
    QSet<int> retired;  // ids behind passed barriers
    int passed = 0;     // barriers passed

private:
    void AddViolationLocked(const QString& what) {
        if (violations.size() < 20) {  // the first ones tell the story
            violations << what;
        }
    }

    mutable std::mutex mutex_;
    QList<QList<int>> barriers_;  // barrier n is at index n - 1
    int delivered_ = 0;
    int fast_delivered_ = 0;
};

}  // namespace stress
