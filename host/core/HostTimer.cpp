#include "host/core/HostTimer.h"

#include <QTimer>

#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"

HostTimer::HostTimer(QObject* parent) : QObject(parent) {}

HostTimer::~HostTimer() {
    HostTimerQueue::Forget(this);
}

void HostTimer::Start(int intervalMs) {
    quint64 generation = 0;
    if (HostTimerQueue::Arm(this, intervalMs, &generation)) {
        if (system_ != nullptr) {
            system_->stop();
        }
        return;
    }
    RunOnSystemClock(generation, intervalMs);
}

void HostTimer::Stop() {
    HostTimerQueue::Disarm(this);
    if (system_ != nullptr) {
        system_->stop();
    }
}

bool HostTimer::IsActive() const {
    return HostTimerQueue::IsActive(this);
}

int HostTimer::IntervalMs() const {
    return HostTimerQueue::IntervalMs(this);
}

void HostTimer::FireDriven(quint64 generation) {
    if (HostTimerQueue::IsCurrent(this, generation, true)) {
        emit Timeout();
    }
}

void HostTimer::RunOnSystemClock(quint64 generation, int intervalMs) {
    if (!HostTimerQueue::IsCurrent(this, generation, false)) {
        return;  // stopped, restarted or frozen again since the switch was posted
    }
    if (system_ == nullptr) {
        system_ = new QTimer(this);
        connect(system_, &QTimer::timeout, this, &HostTimer::HandleSystemTimeout);
    }
    system_->start(intervalMs);
}

void HostTimer::HandleSystemTimeout() {
    // Only a frozen clock costs a look at the queue: the timer may have been moved to it.
    if (HostClock::IsFrozen() && !HostTimerQueue::RunsOnSystemClock(this)) {
        system_->stop();
        return;
    }
    emit Timeout();
}
