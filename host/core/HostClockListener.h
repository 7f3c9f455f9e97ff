#pragma once

// Hears HostClock change mode. HostTimerQueue is the one listener: it moves the running
// HostTimers between QTimers and its own due times.
//
// Thread contract: called on the thread that froze or thawed the clock, after the change, with no
// lock of the clock's held.
class HostClockListener {
public:
    virtual void OnClockFrozen() = 0;
    virtual void OnClockThawed() = 0;

protected:
    ~HostClockListener() = default;
};
