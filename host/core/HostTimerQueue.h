#pragma once

#include <QtGlobal>

class HostTimer;

// The due times of the HostTimers while HostClock is frozen, and the one way to move a frozen
// clock that fires them: AdvanceClockTo walks the clock forward through every due time up to the
// target, in due-time order (ties in the order the timers were started), standing the clock at
// each timer's due time while it fires on its owner thread; a timer that fires is due again one
// interval later. HostClock::SetForTest and AdvanceForTest move the clock without firing (tests
// that call the ticks themselves); a timer they leave overdue fires once, at the clock's time,
// on the next AdvanceClockTo.
//
// Thread contract: AdvanceClockTo/AdvanceClockBy are called by one driving thread at a time, with
// no lock held that a timer's owner may need: a timer owned by another thread is fired there and
// waited for (that thread must run its event loop); the clock is not thawed meanwhile. NextDueMs
// may be called from any thread. One mutex guards every timer's state; it is never held while a
// timer fires. The HostTimer and HostClock hooks below are private to them.
class HostTimerQueue {
public:
    // Freezes the clock (at the system's now) if it follows the system clock, fires every timer
    // due up to msSinceEpoch, and leaves the clock there (or where it stood, if that was later).
    static void AdvanceClockTo(qint64 msSinceEpoch);
    static void AdvanceClockBy(qint64 ms);
    // The earliest due time of a running timer on the frozen clock, -1 when there is none.
    static qint64 NextDueMs();

private:
    friend class HostClock;
    friend class HostTimer;

    // Records a start; returns whether the timer is driven (the clock is frozen). *generation
    // receives the start's number, which a stale fire or switch compares against.
    static bool Arm(HostTimer* timer, int intervalMs, quint64* generation);
    static void Disarm(HostTimer* timer);
    static void Forget(HostTimer* timer);
    static bool IsActive(const HostTimer* timer);
    static int IntervalMs(const HostTimer* timer);
    // Whether a fire or switch of `generation` is still the timer's current, running state.
    static bool IsCurrent(const HostTimer* timer, quint64 generation, bool driven);
    static bool RunsOnSystemClock(const HostTimer* timer);
    static void OnClockFrozen();
    static void OnClockThawed();
};
