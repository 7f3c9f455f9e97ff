#pragma once

#include <QtGlobal>

class DrivenTimer;

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
// timer fires.
//
// Direction: HostTimer calls the queue, the queue calls HostClock; the queue reaches a timer only
// through DrivenTimer, and hears the clock change mode as its HostClockListener (registered on
// the queue's first use, a timer's start at the latest: before it there is nothing to move).
class HostTimerQueue {
public:
    // Freezes the clock (at the system's now) if it follows the system clock, fires every timer
    // due up to msSinceEpoch, and leaves the clock there (or where it stood, if that was later).
    static void AdvanceClockTo(qint64 msSinceEpoch);
    static void AdvanceClockBy(qint64 ms);
    // The earliest due time of a running timer on the frozen clock, -1 when there is none.
    static qint64 NextDueMs();

private:
    friend class HostTimer;

    // Records a start; returns whether the timer is driven (the clock is frozen). *generation
    // receives the start's number, which a stale fire or switch compares against.
    static bool Arm(DrivenTimer* timer, int intervalMs, quint64* generation);
    static void Disarm(const DrivenTimer* timer);
    static void Forget(const DrivenTimer* timer);
    static bool IsActive(const DrivenTimer* timer);
    static int IntervalMs(const DrivenTimer* timer);
    // Whether a fire or switch of `generation` is still the timer's current, running state.
    static bool IsCurrent(const DrivenTimer* timer, quint64 generation, bool driven);
    static bool RunsOnSystemClock(const DrivenTimer* timer);
};
