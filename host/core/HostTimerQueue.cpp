#include "host/core/HostTimerQueue.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <memory>

#include "host/core/DrivenTimer.h"
#include "host/core/HostClock.h"
#include "host/core/HostClockListener.h"

namespace {

struct TimerState {
    DrivenTimer* timer = nullptr;
    int intervalMs = -1;
    bool active = false;
    bool driven = false;     // on the frozen clock: fired by AdvanceClockTo
    qint64 dueMs = 0;        // while driven
    quint64 order = 0;       // start order, breaks ties of due times
    quint64 generation = 0;  // bumped by every start, stop and switch of clock
};

struct Queue final : HostClockListener {
    QMutex mutex;
    QHash<const DrivenTimer*, TimerState> timers;
    quint64 started = 0;
    quint64 generations = 0;

    // Running system-clock timers become driven, due one interval after the frozen now; each
    // QTimer still runs on its owner thread, and its next timeout sees the change and stops.
    void OnClockFrozen() override {
        QMutexLocker lock(&mutex);
        const qint64 now = HostClock::NowMs();
        for (TimerState& s : timers) {
            if (s.active && !s.driven) {
                s.driven = true;
                s.dueMs = now + s.intervalMs;
                s.generation = ++generations;
            }
        }
    }

    // Running driven timers go back to QTimers, started on their own threads (a timer deleted
    // meanwhile drops the call).
    void OnClockThawed() override {
        QMutexLocker lock(&mutex);
        for (TimerState& s : timers) {
            if (!s.active || !s.driven) {
                continue;
            }
            s.driven = false;
            s.generation = ++generations;
            DrivenTimer* timer = s.timer;
            const quint64 generation = s.generation;
            const int intervalMs = s.intervalMs;
            QMetaObject::invokeMethod(
                timer->Context(),
                [timer, generation, intervalMs] {
                    timer->RunOnSystemClock(generation, intervalMs);
                },
                Qt::QueuedConnection);
        }
    }
};

// Never destroyed: timers may outlive static destruction order. Made on first use, a timer's
// start at the latest: no mode change of the clock before that has a timer to move.
Queue& TheQueue() {
    static Queue* queue = [] {
        auto* q = new Queue;
        HostClock::SetListener(q);
        return q;
    }();
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
QHash<const DrivenTimer*, TimerState>::iterator EarliestLocked(Queue& q) {
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
TimerState StateOf(const DrivenTimer* timer) {
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
        DrivenTimer* timer = nullptr;
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
            timer = next->timer;
            generation = next->generation;
            QObject* context = timer->Context();
            if (context->thread() != QThread::currentThread()) {
                // Posted under the lock, so the timer cannot be gone yet; a timer deleted before
                // the event runs drops it, and the functor's FireDone still releases us.
                auto guard = std::make_shared<FireDone>(&done);
                QMetaObject::invokeMethod(
                    context, [timer, generation, guard] { timer->FireDriven(generation); },
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

bool HostTimerQueue::Arm(DrivenTimer* timer, int intervalMs, quint64* generation) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    TimerState& s = q.timers[timer];
    s.timer = timer;
    s.intervalMs = std::max(intervalMs, 1);
    s.active = true;
    s.driven = HostClock::IsFrozen();
    s.dueMs = s.driven ? HostClock::NowMs() + s.intervalMs : 0;
    s.order = ++q.started;
    s.generation = ++q.generations;
    *generation = s.generation;
    return s.driven;
}

void HostTimerQueue::Disarm(const DrivenTimer* timer) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    const auto it = q.timers.find(timer);
    if (it != q.timers.end()) {
        it->active = false;
        it->generation = ++q.generations;
    }
}

void HostTimerQueue::Forget(const DrivenTimer* timer) {
    Queue& q = TheQueue();
    QMutexLocker lock(&q.mutex);
    q.timers.remove(timer);
}

bool HostTimerQueue::IsActive(const DrivenTimer* timer) {
    return StateOf(timer).active;
}

int HostTimerQueue::IntervalMs(const DrivenTimer* timer) {
    return StateOf(timer).intervalMs;
}

bool HostTimerQueue::IsCurrent(const DrivenTimer* timer, quint64 generation, bool driven) {
    const TimerState s = StateOf(timer);
    return s.active && s.driven == driven && s.generation == generation;
}

bool HostTimerQueue::RunsOnSystemClock(const DrivenTimer* timer) {
    const TimerState s = StateOf(timer);
    return s.active && !s.driven;
}
