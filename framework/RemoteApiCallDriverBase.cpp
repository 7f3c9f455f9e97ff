#include "framework/RemoteApiCallDriverBase.h"

#include "host/core/HostTimer.h"

namespace {

int IntervalOf(const HostTimer* timer) {
    return timer != nullptr && timer->IsActive() ? timer->IntervalMs() : -1;
}

}  // namespace

RemoteApiCallDriverBase::RemoteApiCallDriverBase(QObject* parent) : QObject(parent) {}

RemoteApiCallDriverBase::~RemoteApiCallDriverBase() = default;

int RemoteApiCallDriverBase::AwaitingIntervalMs() const {
    return IntervalOf(awaitingTimer_);
}
int RemoteApiCallDriverBase::PollingIntervalMs() const {
    return IntervalOf(pollingTimer_);
}
int RemoteApiCallDriverBase::PushRefreshIntervalMs() const {
    return IntervalOf(pushRefreshTimer_);
}
int RemoteApiCallDriverBase::PushPurgeIntervalMs() const {
    return IntervalOf(pushPurgeTimer_);
}

void RemoteApiCallDriverBase::StartAwaitingTimer(int intervalMs) {
    StartTimer(awaitingTimer_, intervalMs, &RemoteApiCallDriverBase::HandleAwaitingTimeout);
}

void RemoteApiCallDriverBase::StartPollingTimer(int intervalMs) {
    StartTimer(pollingTimer_, intervalMs, &RemoteApiCallDriverBase::HandlePollingTimeout);
}

void RemoteApiCallDriverBase::StartPushRefreshTimer(int intervalMs) {
    StartTimer(pushRefreshTimer_, intervalMs, &RemoteApiCallDriverBase::HandlePushRefreshTimeout);
}

void RemoteApiCallDriverBase::StartPushPurgeTimer(int intervalMs) {
    StartTimer(pushPurgeTimer_, intervalMs, &RemoteApiCallDriverBase::HandlePushPurgeTimeout);
}

void RemoteApiCallDriverBase::HandleAwaitingTimeout() {
    OnAwaitingTick();
}
void RemoteApiCallDriverBase::HandlePollingTimeout() {
    OnPollingTick();
}
void RemoteApiCallDriverBase::HandlePushRefreshTimeout() {
    OnPushRefreshTick();
}
void RemoteApiCallDriverBase::HandlePushPurgeTimeout() {
    OnPushPurgeTick();
}

HostTimer* RemoteApiCallDriverBase::StartTimer(HostTimer*& timer, int intervalMs,
                                               void (RemoteApiCallDriverBase::*slot)()) {
    if (timer == nullptr) {
        timer = new HostTimer(this);
        connect(timer, &HostTimer::Timeout, this, slot);
    }
    timer->Start(intervalMs);
    return timer;
}
