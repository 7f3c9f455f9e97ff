#include "host/core/HostTimerQueue.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <memory>

#include "host/core/HostClock.h"
#include "host/core/HostTimer.h"

namespace {

struct TimerState {
    int intervalMs = -1;
    bool active = false;
    bool driven = false;     // on the frozen clock: fired by AdvanceClockTo
    qint64 dueMs = 0;        // while driven
    quint64 order = 0;       // start order, breaks ties of due times
    quint64 generation = 0;  // bumped by every start, stop and switch of clock
};

struct Queue {
    QMutex mutex;
    QHash<const HostTimer*, TimerState> timers;
    quint64 started = 0;
    quint64 generations = 0;
};

// Never destroyed: timers may outlive static destruction order.
Queue& TheQueue() {
    static Queue* queue = new Queue;
    return *queue;
}

// Releases the driving thread once a posted fire has run or was dropped with its timer.
struct FireDone {
    explicit FireDone(QSemaphore* done) : done(done) {}
    ~FireDone() { done->release(); }
    FireDone(const FireDone&) = delete;
    FireDone& operator=(const FireDone&) = delete;
    QSemaphore* done;
};

// The running driven timer due first (ties by start order), or none.
QHash<const HostTimer*, TimerState>::iterator EarliestLocked(Queue& q) {
    auto earliest = q.timers.end();
    for (auto it = q.timers.begin(); it != q.timers.end(); ++it) {
        if (!it->active || !it->driven) {
            continue;
        }
        if (earliest == q.timers.end() || it->dueMs < earliest->dueMs ||
            (it->dueMs == earliest->dueMs && it->order < earliest->order)) {
            earliest = it;
        }
    }
    return earliest;
}

// A copy of the timer's state; a timer never started (or forgotten) reads as inactive.
TimerState StateOf(const HostTimer* timer) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    return q.timers.value(timer);
}

}  // namespace

void HostTimerQueue::AdvanceClockTo(qint64 msSinceEpoch) {
    if (!HostClock::IsFrozen()) {
        HostClock::SetForTest(HostClock::NowMs());  // moves the running timers to the queue
    }
    Queue& q = TheQueue();
    for (;;) {
        QSemaphore done;
        HostTimer* timer = nullptr;
        quint64 generation = 0;
        {
            QMutexLocker lock(&q.mutex);
            const auto next = EarliestLocked(q);
            if (next == q.timers.end() || next->dueMs > msSinceEpoch) {
                break;
            }
            const qint64 fireAt = std::max(next->dueMs, HostClock::NowMs());
            HostClock::SetForTest(fireAt);
            next->dueMs = fireAt + next->intervalMs;
            timer = const_cast<HostTimer*>(next.key());
            generation = next->generation;
            if (timer->thread() != QThread::currentThread()) {
                // Posted under the lock, so the timer cannot be gone yet; a timer deleted before
                // the event runs drops it, and the functor's FireDone still releases us.
                auto guard = std::make_shared<FireDone>(&done);
                QMetaObject::invokeMethod(
                    timer, [timer, generation, guard] { timer->FireDriven(generation); },
                    Qt::QueuedConnection);
                timer = nullptr;
            }
        }
        if (timer != nullptr) {
            timer->FireDriven(generation);
        } else {
            done.acquire();
        }
    }
    if (msSinceEpoch > HostClock::NowMs()) {
        HostClock::SetForTest(msSinceEpoch);
    }
}

void HostTimerQueue::AdvanceClockBy(qint64 ms) {
    AdvanceClockTo(HostClock::NowMs() + ms);
}

qint64 HostTimerQueue::NextDueMs() {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    const auto next = EarliestLocked(q);
    return next == q.timers.end() ? -1 : next->dueMs;
}

bool HostTimerQueue::Arm(HostTimer* timer, int intervalMs, quint64* generation) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    TimerState& s = q.timers[timer];
    s.intervalMs = std::max(intervalMs, 1);
    s.active = true;
    s.driven = HostClock::IsFrozen();
    s.dueMs = s.driven ? HostClock::NowMs() + s.intervalMs : 0;
    s.order = ++q.started;
    s.generation = ++q.generations;
    *generation = s.generation;
    return s.driven;
}

void HostTimerQueue::Disarm(HostTimer* timer) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    const auto it = q.timers.find(timer);
    if (it != q.timers.end()) {
        it->active = false;
        it->generation = ++q.generations;
    }
}

void HostTimerQueue::Forget(HostTimer* timer) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    q.timers.remove(timer);
}

bool HostTimerQueue::IsActive(const HostTimer* timer) {
    return StateOf(timer).active;
}

int HostTimerQueue::IntervalMs(const HostTimer* timer) {
    return StateOf(timer).intervalMs;
}

bool HostTimerQueue::IsCurrent(const HostTimer* timer, quint64 generation, bool driven) {
    const TimerState s = StateOf(timer);
    return s.active && s.driven == driven && s.generation == generation;
}

bool HostTimerQueue::RunsOnSystemClock(const HostTimer* timer) {
    const TimerState s = StateOf(timer);
    return s.active && !s.driven;
}

void HostTimerQueue::OnClockFrozen() {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    const qint64 now = HostClock::NowMs();
    for (TimerState& s : q.timers) {
        if (s.active && !s.driven) {
            // The QTimer still runs on the owner thread; its next timeout sees this and stops.
            s.driven = true;
            s.dueMs = now + s.intervalMs;
            s.generation = ++q.generations;
        }
    }
}

void HostTimerQueue::OnClockThawed() {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    for (auto it = q.timers.begin(); it != q.timers.end(); ++it) {
        if (!it->active || !it->driven) {
            continue;
        }
        it->driven = false;
        it->generation = ++q.generations;
        HostTimer* timer = const_cast<HostTimer*>(it.key());
        const quint64 generation = it->generation;
        const int intervalMs = it->intervalMs;
        // QTimers start on their own thread; a timer deleted meanwhile drops the call.
        QMetaObject::invokeMethod(
            timer,
            [timer, generation, intervalMs] { timer->RunOnSystemClock(generation, intervalMs); },
            Qt::QueuedConnection);
    }
}
