#pragma once

#include <QObject>

class HostTimer;

// The QObject half of RemoteApiCallDriver<T>: owns the driver's four timers (created on first use,
// parented to the driver, destroyed with it) and turns their timeouts into the virtual tick
// functions that the template implements.
//
// The timers are HostTimers: QTimers while the host clock follows the system clock, fired by
// HostTimerQueue while it is frozen (tests, replay).
//
// Thread contract: the driver lives on the thread that creates it; the listener setters that start
// timers must be called on that thread, and the timers fire there. Ticks take the owner's call lock
// (see RemoteApiCallDriver).
class RemoteApiCallDriverBase : public QObject {
    Q_OBJECT

public:
    static constexpr int kPushPurgeIntervalMs = 2000;  // ms between purges of the push set

    explicit RemoteApiCallDriverBase(QObject* parent = nullptr);
    ~RemoteApiCallDriverBase() override;

    virtual void OnAwaitingTick() = 0;
    virtual void OnPollingTick() = 0;
    virtual void OnPushRefreshTick() = 0;
    virtual void OnPushPurgeTick() = 0;

    // Interval of a started timer in ms, or -1 while the timer has not been started.
    int AwaitingIntervalMs() const;
    int PollingIntervalMs() const;
    int PushRefreshIntervalMs() const;
    int PushPurgeIntervalMs() const;

protected:
    void StartAwaitingTimer(int intervalMs);
    void StartPollingTimer(int intervalMs);
    void StartPushRefreshTimer(int intervalMs);
    void StartPushPurgeTimer(int intervalMs);

private slots:
    void HandleAwaitingTimeout();
    void HandlePollingTimeout();
    void HandlePushRefreshTimeout();
    void HandlePushPurgeTimeout();

private:
    HostTimer* StartTimer(HostTimer*& timer, int intervalMs,
                          void (RemoteApiCallDriverBase::*slot)());

    HostTimer* awaitingTimer_ = nullptr;
    HostTimer* pollingTimer_ = nullptr;
    HostTimer* pushRefreshTimer_ = nullptr;
    HostTimer* pushPurgeTimer_ = nullptr;
};
