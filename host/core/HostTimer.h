#pragma once

#include <QObject>

#include "host/core/DrivenTimer.h"

class QTimer;

// A repeating timer on the host's clock, for the plug-in's periodic work (polls, purges, retries).
// While HostClock follows the system clock it is a plain QTimer. While the clock is frozen (tests,
// replay) it fires only when HostTimerQueue moves the clock past its due time, so that what the
// timers do depends on the driven time and not on how fast the machine runs; switching the
// clock's mode moves the running timers over (a frozen clock gives a timer started on the system
// clock its full interval from the frozen now).
//
// Thread contract: a HostTimer has an owner thread (the one it lives on, which runs an event
// loop); Start, Stop and the destructor are called there and Timeout is emitted there.
// IsActive and IntervalMs may be called from any thread. The timer's state lives in the
// HostTimerQueue, under its mutex.
class HostTimer : public QObject, private DrivenTimer {
    Q_OBJECT

public:
    explicit HostTimer(QObject* parent = nullptr);
    ~HostTimer() override;

    // Starts the timer, or restarts a running one, to fire every intervalMs (ms, at least 1).
    void Start(int intervalMs);
    void Stop();
    bool IsActive() const;
    // The interval of the last Start in ms, -1 before the first.
    int IntervalMs() const;

signals:
    void Timeout();

private:
    // DrivenTimer, called by the queue on the owner thread.
    QObject* Context() override { return this; }
    void FireDriven(quint64 generation) override;
    void RunOnSystemClock(quint64 generation, int intervalMs) override;

    void HandleSystemTimeout();

    QTimer* system_ = nullptr;  // child; made on the first start on the system clock
};
